#pragma once
// A small layer over synchronous WinInet: a session, FTP and HTTP
// connections, remote files and HTTP requests. Nothing here throws; every
// call reports failure by its result and fills an InternetError.
//
// Each handle is closed exactly once by its holder. Close a file before its
// connection and a connection before its session: WinInet handle values are
// small integers that get reused, so a second close of a parent's child could
// hit a handle another thread has just been given.
#include <windows.h>
#include <wininet.h>

#include <string>

namespace platform {

struct InternetError {
    DWORD code = 0;
    std::string text;   // the system's wording, or the server's last response
    void Clear() {
        code = 0;
        text.clear();
    }
};

// Records GetLastError() and its message text (the server's response for
// an extended FTP error).
void CaptureInternetError(InternetError* error);
void SetInternetError(InternetError* error, DWORD code);

// The server's last response on this thread (e.g. "550 No such file"),
// at most 259 characters.
std::string LastInternetResponse();

class InternetHandle {
public:
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() { Close(); }
    InternetHandle(InternetHandle&& other) noexcept : handle_(other.Release()) {}
    InternetHandle& operator=(InternetHandle&& other) noexcept;
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    HINTERNET Release();
    void Close();

private:
    HINTERNET handle_ = nullptr;
};

// Timeouts of one session; the receive timeout is set on every handle the
// session makes, since WinInet applies it to reads only when it is set on
// the request or file handle itself.
struct InternetTimeouts {
    DWORD connectMs = 10000;
    DWORD receiveMs = 30000;
};

class InternetSession {
public:
    bool Open(const char* agent, const InternetTimeouts& timeouts, InternetError* error);
    void Close() { handle_.Close(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }
    HINTERNET Get() const { return handle_.Get(); }
    const InternetTimeouts& Timeouts() const { return timeouts_; }

private:
    InternetHandle handle_;
    InternetTimeouts timeouts_;
};

// A remote file being read: an FTP file or an HTTP request's body.
class InternetFile {
public:
    InternetFile() = default;
    InternetFile(InternetFile&&) = default;
    InternetFile& operator=(InternetFile&&) = default;

    // Reads up to `size` bytes, possibly waiting until all have come (or the
    // file ends); *got = 0 at the end. False on any failure, a receive
    // time-out included.
    bool Read(void* buffer, DWORD size, DWORD* got, InternetError* error);
    // How many bytes have arrived and can be read at once, as far as the
    // system counts them (0: none yet). May wait for the first bytes. False
    // on a failure.
    bool QueryAvailable(DWORD* available, InternetError* error);
    void Close() { handle_.Close(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }

protected:
    friend class FtpConnection;
    friend class HttpConnection;
    InternetHandle handle_;
};

class FtpConnection {
public:
    // Connects and logs in (passive mode); empty user and password log in
    // anonymously.
    bool Connect(const InternetSession& session, const std::string& host, unsigned short port,
                 const std::string& user, const std::string& password, InternetError* error);
    void Close() {
        handle_.Close();
        binary_ = false;
    }
    bool IsOpen() const { return static_cast<bool>(handle_); }

    bool ChangeFolder(const std::string& folder, InternetError* error);
    // The size the server states for `name` in the current folder (binary
    // mode); false when it states none.
    bool QueryFileSize(const std::string& name, unsigned long long* size);
    bool OpenFile(const std::string& name, InternetFile* file, InternetError* error);

private:
    InternetHandle handle_;
    DWORD receiveMs_ = 0;
    bool binary_ = false;   // the server took "TYPE I" on this connection
};

class HttpRequest : public InternetFile {
public:
    bool Send(InternetError* error);
    // False when the server's status line can't be read.
    bool QueryStatusCode(DWORD* status) const;
    // False when the response carries no Content-Length.
    bool QueryContentLength(unsigned long long* length) const;
    bool QueryLocation(std::string* location) const;
};

class HttpConnection {
public:
    // Makes the connection object; no traffic until the first request.
    bool Connect(const InternetSession& session, const std::string& host, unsigned short port,
                 bool secure, InternetError* error);
    void Close() { handle_.Close(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }

    // A GET request that speaks HTTP/1.0, follows no redirect and neither
    // answers from nor writes into the WinInet cache.
    bool OpenGet(const std::string& object, HttpRequest* request, InternetError* error);

private:
    InternetHandle handle_;
    DWORD receiveMs_ = 0;
    bool secure_ = false;
};

}   // namespace platform
