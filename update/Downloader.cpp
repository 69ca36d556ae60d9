#include "update/Downloader.h"

#include <cstring>
#include <memory>
#include <new>

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
    if (!Connect(url, &error)) {
        SetError(error);
        Close();
        return 0;
    }
    open_ = true;
    return 1;
}

int Downloader::Close() {
    CloseConnection();
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
    std::unique_ptr<char[]> chunk(new (std::nothrow) char[kReadChunk]);
    if (!chunk || !local.Create(localPath)) {
        SetError(std::string("can't create ") + localPath);
        return 0;
    }
    // Each read takes what has arrived, so that reports follow the bytes as
    // they come; it is then handled block by block: each block is reported,
    // and a stop is noticed between blocks.
    unsigned long long received = 0;
    for (;;) {
        DWORD got = 0;
        bool waited = false;
        platform::InternetError error;
        const bool ok = file.ReadArrived(chunk.get(), kReadChunk, &got, &waited, &error);
        // A read may have waited long, past its Cancel's wait: a stop that
        // came meanwhile writes nothing more, not even what was gathered.
        if (sink_ && !sink_->KeepRunning()) {
            local.Abandon();
            return 1;
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
        bool stopped = false;
        const DWORD taken = ReportBlocks(got, localPath, &received, &stopped);
        // What was reported is written; a fast link's reads are gathered
        // into large writes, a slow link's reach the file at once.
        if (!local.Write(chunk.get(), taken) || ((waited || stopped) && !local.Flush())) {
            SetError(std::string("can't write ") + localPath);
            return 0;
        }
        if (stopped) break;
    }
    if (!local.Close()) {
        SetError(std::string("can't write ") + localPath);
        return 0;
    }
    if (sink_ && !sink_->KeepRunning()) return 1;
    if (!LengthAgrees(received, serverLength, serverLengthKnown)) return 0;
    if (sink_) sink_->OnFileEnd(localPath);
    return 1;
}

DWORD Downloader::ReportBlocks(DWORD got, const char* localPath, unsigned long long* received,
                               bool* stopped) {
    const bool report = sink_ && sink_->ReportBlocks();
    DWORD taken = 0;
    while (taken < got && !*stopped) {
        const DWORD block = got - taken < kBlockSize ? got - taken : kBlockSize;
        taken += block;
        *received += block;
        if (report) sink_->OnBlock(localPath, block);
        *stopped = sink_ && !sink_->KeepRunning();
    }
    return taken;
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
    Abandon();
    if (!path || !*path) return false;
    if (!buffer_) buffer_.reset(new (std::nothrow) char[kBufferSize]);
    if (!buffer_) return false;
    // Shared as an stdio file is: a task left behind by its Cancel may still
    // hold a file of that name.
    file_ = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    used_ = 0;
    failed_ = false;
    return file_ != INVALID_HANDLE_VALUE;
}

bool LocalFile::Write(const void* data, size_t size) {
    if (!IsOpen() || failed_) return false;
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (used_ == kBufferSize && !Flush()) return false;
        const size_t part = size < kBufferSize - used_ ? size : kBufferSize - used_;
        std::memcpy(buffer_.get() + used_, bytes, part);
        used_ += part;
        bytes += part;
        size -= part;
    }
    return true;
}

bool LocalFile::Flush() {
    if (!IsOpen() || failed_) return false;
    DWORD written = 0;
    if (used_ > 0 &&
        (!WriteFile(file_, buffer_.get(), DWORD(used_), &written, nullptr) || written != used_))
        failed_ = true;
    used_ = 0;
    return !failed_;
}

bool LocalFile::Close() {
    if (!IsOpen()) return true;
    const bool flushed = Flush();
    const bool closed = CloseHandle(file_) != FALSE;
    file_ = INVALID_HANDLE_VALUE;
    return flushed && closed;
}

void LocalFile::Abandon() {
    used_ = 0;
    if (IsOpen()) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}
