#include "update/Downloader.h"

#include <memory>

std::string Downloader::UrlEncode(const std::string& text) const {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (c == ' ') {
            out += '+';
        } else if (c == '-' || c == '.' || c == '_' || (c >= '0' && c <= '9') ||
                   (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

Downloader::ReadSizer::ReadSizer() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond_ = double(frequency.QuadPart);
}

double Downloader::ReadSizer::Now() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / ticksPerSecond_;
}

void Downloader::ReadSizer::Completed(DWORD bytes, double seconds) {
    // A read that filled at once shows the link keeps up: ask for twice as
    // much next time (up to a chunk). A read that had to wait goes back to
    // taking what has arrived, so a slow link never keeps a stop waiting.
    if (seconds < kFastReadSeconds && bytes >= 4096) {
        DWORD grown = request_ ? request_ * 2 : bytes * 2;
        request_ = grown < kMaxWaitingRead ? grown : kMaxWaitingRead;
    } else if (seconds > kFastReadSeconds * 4) {
        request_ = 0;
    }
}

int Downloader::ReceiveFile(platform::InternetFile& file, const char* localPath,
                            unsigned long long expectedLength, bool lengthKnown) {
    LocalFile local;
    if (!local.Create(localPath)) {
        SetError(std::string("can't create ") + localPath);
        return 0;
    }
    // Data is taken from the connection in as few reads as the link allows
    // (each read costs a round trip through the system) and then handled
    // block by block: each block is written and reported, and a stop is
    // noticed between blocks.
    std::unique_ptr<char[]> chunk(new char[kReadChunk]);
    ReadSizer sizer;
    unsigned long long received = 0;
    bool stopped = false;
    while (!stopped) {
        DWORD got = 0;
        platform::InternetError error;
        const DWORD request = sizer.NextRequest();
        const double start = sizer.Now();
        bool ok = request ? file.Read(chunk.get(), request, &got, &error)
                          : file.ReadAvailable(chunk.get(), kReadChunk, &got, &error);
        if (!ok) {
            SetError(error);
            return 0;
        }
        if (got == 0) break;
        sizer.Completed(got, sizer.Now() - start);
        for (DWORD offset = 0; offset < got; offset += kBlockSize) {
            const DWORD block = got - offset < kBlockSize ? got - offset : kBlockSize;
            if (!local.Write(chunk.get() + offset, block)) {
                SetError(std::string("can't write ") + localPath);
                return 0;
            }
            received += block;
            if (sink_ && sink_->ReportBlocks()) sink_->OnBlock(localPath, block);
            if (sink_ && !sink_->KeepRunning()) {
                stopped = true;
                break;
            }
        }
    }
    if (!local.Close()) {
        SetError(std::string("can't write ") + localPath);
        return 0;
    }
    if (stopped) return 1;
    // A connection dropped early ends the body like a normal end.
    if (lengthKnown && received != expectedLength) {
        SetError("the transfer ended after " + std::to_string(received) + " of " +
                 std::to_string(expectedLength) + " bytes");
        return 0;
    }
    if (sink_) sink_->OnFileEnd(localPath);
    return 1;
}

bool LocalFile::Create(const char* path) {
    Close();
    file_ = path && *path ? std::fopen(path, "wb") : nullptr;
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, 64 * 1024);
    return file_ != nullptr;
}

bool LocalFile::Write(const void* data, size_t size) {
    return file_ && std::fwrite(data, 1, size, file_) == size;
}

bool LocalFile::Close() {
    if (!file_) return true;
    bool ok = std::ferror(file_) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}
