#pragma once
// Downloaders move one file at a time from one server to a local file, in
// blocks of at most 1024 bytes, reporting each block to their sink and
// stopping between blocks once the sink no longer wants them to run.
// Failures are results (0), never exceptions.
#include "platform/InternetSession.h"
#include "platform/InternetUrl.h"

#include <windows.h>

#include <memory>
#include <string>

// What a downloader reports to and asks of the task it serves.
class DownloadSink {
public:
    virtual bool KeepRunning() = 0;
    virtual bool ReportBlocks() = 0;   // whether OnBlock is wanted
    virtual void OnBlock(const char* localPath, unsigned bytes) = 0;
    // A file has been received whole (not called after a failure or a stop).
    virtual void OnFileEnd(const char* localPath) {}

protected:
    ~DownloadSink() = default;
};

// Opening, closing and the transfer loop are shared; each kind of server
// says only how it connects and how it opens a remote file.
class Downloader {
public:
    static const unsigned kBlockSize = 1024;
    // The most one read takes from the connection.
    static const DWORD kReadChunk = 256 * 1024;

    explicit Downloader(DownloadSink* sink) : sink_(sink) {}
    virtual ~Downloader() = default;
    Downloader(const Downloader&) = delete;
    Downloader& operator=(const Downloader&) = delete;

    // Connects to the server of `serverUrl`, dropping any earlier connection
    // first. 1 connected, 0 failed.
    int Open(const char* serverUrl);
    // Drops the connection; always 1.
    int Close();
    // Fetches `fileUrl` into `localPath` (a full path). 1 done, or stopped
    // because the sink no longer keeps running (the local file is then
    // partial); 0 failed.
    virtual int Download(const char* fileUrl, const char* localPath) = 0;
    const std::string& GetLastErrorText() const { return lastError_; }
    // Form-encodes the bytes of `text` (' ' to '+', unreserved bytes kept,
    // all others %XX). The downloaders themselves send paths unchanged.
    virtual std::string UrlEncode(const std::string& text) const;

    // Time-outs of the sessions the next Open makes.
    void SetTimeouts(const platform::InternetTimeouts& timeouts) { timeouts_ = timeouts; }
    // What the caller knows of the length of the files it fetches next:
    // more than `maxBytes` fails the transfer as soon as it arrives (nothing
    // past the bound is written); with `exact`, fewer fails it too. 0: no bound.
    void SetLengthBound(unsigned long long maxBytes, bool exact) {
        boundBytes_ = maxBytes;
        boundExact_ = exact;
    }

protected:
    // A session and the connection of this kind to `url`'s server; each
    // kind opens (and closes) its own session.
    virtual bool Connect(const platform::InternetUrl& url, platform::InternetError* error) = 0;
    virtual void CloseConnection() = 0;
    virtual std::string Agent() const = 0;

    // Splits `fileUrl` for a transfer; false (nothing tried) when it does not
    // split, names no object, or no server is open.
    bool BeginTransfer(const char* fileUrl, platform::InternetUrl* url) const;

    // Copies `file` into `localPath` block by block. 1 done or stopped,
    // 0 on a failed read or write, when a known length (the server's or
    // the caller's bound) was not met, or past the caller's bound.
    int ReceiveFile(platform::InternetFile& file, const char* localPath,
                    unsigned long long serverLength, bool serverLengthKnown);
    void SetError(const platform::InternetError& error) { lastError_ = error.text; }
    void SetError(const std::string& text) { lastError_ = text; }

    DownloadSink* sink_;
    platform::InternetTimeouts timeouts_;

private:
    bool WithinBound(unsigned long long bytes) const {
        return boundBytes_ == 0 || bytes <= boundBytes_;
    }
    bool LengthAgrees(unsigned long long received, unsigned long long serverLength,
                      bool serverLengthKnown);
    // Reports the blocks of a read's `got` bytes up to a stop (*stopped);
    // returns the bytes they hold.
    DWORD ReportBlocks(DWORD got, const char* localPath, unsigned long long* received,
                       bool* stopped);

    std::string lastError_;
    bool open_ = false;
    unsigned long long boundBytes_ = 0;
    bool boundExact_ = false;
};

// A local file written through a buffer; it closes itself, and Close
// reports whether everything written reached the file.
class LocalFile {
public:
    // Writes are gathered in a buffer of this size; Flush empties it.
    static const size_t kBufferSize = 256 * 1024;

    LocalFile() = default;
    ~LocalFile() { Close(); }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;

    bool Create(const char* path);
    bool Write(const void* data, size_t size);
    bool Flush();
    bool Close();
    // Closes the file, dropping what is gathered and not yet written.
    void Abandon();
    bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    bool failed_ = false;   // a write failed: the file misses bytes
};
