#include "update/Downloader.h"

#include "update/ChunkReader.h"

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

int Downloader::Open(const char* serverUrl) {
    Close();
    platform::InternetUrl url;
    if (!platform::ParseInternetUrl(serverUrl, &url)) return 0;
    platform::InternetError error;
    if (!session_.Open(Agent().c_str(), timeouts_, &error) || !Connect(url, &error)) {
        SetError(error);
        Close();
        return 0;
    }
    open_ = true;
    return 1;
}

int Downloader::Close() {
    CloseConnection();
    session_.Close();
    open_ = false;
    return 1;
}

bool Downloader::BeginTransfer(const char* fileUrl, platform::InternetUrl* url) const {
    return platform::ParseInternetUrl(fileUrl, url) && !url->object.empty() && open_;
}

int Downloader::ReceiveFile(platform::InternetFile& file, const char* localPath,
                            unsigned long long serverLength, bool serverLengthKnown) {
    if (serverLengthKnown && !WithinBound(serverLength)) {
        SetError("the server offers " + std::to_string(serverLength) + " bytes, more than the " +
                 std::to_string(boundBytes_) + " expected");
        return 0;
    }
    LocalFile local;
    if (!local.Create(localPath)) {
        SetError(std::string("can't create ") + localPath);
        return 0;
    }
    // Data is taken from the connection in chunks sized to the link, then
    // handled block by block: each block is reported, and a stop is noticed
    // between blocks; what was reported is written.
    ChunkReader reader(file);
    unsigned long long received = 0;
    bool stopped = false;
    while (!stopped) {
        DWORD got = 0;
        platform::InternetError error;
        const bool ok = reader.Next(&got, &error);
        // A read may have waited long: a stop that came meanwhile writes nothing more.
        if (sink_ && !sink_->KeepRunning()) {
            stopped = true;
            break;
        }
        if (!ok) {
            SetError(error);
            return 0;
        }
        if (got == 0) break;
        if (!WithinBound(received + got)) {
            SetError("the transfer exceeds the " + std::to_string(boundBytes_) + " bytes expected");
            return 0;
        }
        // The blocks up to a stop are reported, then written in one call: a
        // write per block costs as much as the reads.
        const bool report = sink_ && sink_->ReportBlocks();
        DWORD taken = 0;
        while (taken < got && !stopped) {
            const DWORD block = got - taken < kBlockSize ? got - taken : kBlockSize;
            taken += block;
            received += block;
            if (report) sink_->OnBlock(localPath, block);
            if (sink_ && !sink_->KeepRunning()) stopped = true;
        }
        // Bytes that came slowly reach the file at once; a fast link's are
        // gathered into large writes.
        if (!local.Write(reader.Data(), taken) || (reader.Waited() && !local.Flush())) {
            SetError(std::string("can't write ") + localPath);
            return 0;
        }
    }
    if (!local.Close()) {
        SetError(std::string("can't write ") + localPath);
        return 0;
    }
    if (stopped) return 1;
    if (!LengthAgrees(received, serverLength, serverLengthKnown)) return 0;
    if (sink_) sink_->OnFileEnd(localPath);
    return 1;
}

bool Downloader::LengthAgrees(unsigned long long received, unsigned long long serverLength,
                              bool serverLengthKnown) {
    // A connection dropped early ends the body like a normal end.
    if (serverLengthKnown && received != serverLength) {
        SetError("the transfer ended after " + std::to_string(received) + " of " +
                 std::to_string(serverLength) + " bytes");
        return false;
    }
    if (boundExact_ && boundBytes_ > 0 && received != boundBytes_) {
        SetError("the file has " + std::to_string(received) + " bytes, not the " +
                 std::to_string(boundBytes_) + " listed");
        return false;
    }
    return true;
}

bool LocalFile::Create(const char* path) {
    Close();
    file_ = path && *path ? std::fopen(path, "wb") : nullptr;
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    return file_ != nullptr;
}

bool LocalFile::Write(const void* data, size_t size) {
    return file_ && std::fwrite(data, 1, size, file_) == size;
}

bool LocalFile::Flush() { return file_ && std::fflush(file_) == 0; }

bool LocalFile::Close() {
    if (!file_) return true;
    bool ok = std::ferror(file_) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    return ok;
}
