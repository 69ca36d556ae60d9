#pragma once
// A small layer over WinInet: a session, FTP and HTTP connections and
// remote files (HTTP requests: platform/HttpRequest.h). FTP runs over a
// blocking session; HTTP over an asynchronous one, since only there can a
// read take what has arrived without waiting for more (a blocking read waits
// until its buffer is full). Every session reports to
// RequestSignals::OnStatus. Nothing here throws; every call reports failure
// by its result and fills an InternetError.
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

// A whole decimal number without sign or spaces; false on anything else
// or when it would not fit.
bool ParseDecimalCount(const std::string& text, unsigned long long* value);

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
    // Takes any status callback off the handle, then closes it: WinInet's
    // notices for work still under way on it reach no module code.
    void Close();

private:
    HINTERNET handle_ = nullptr;
};

// Timeouts of one session; the receive timeout is set on every handle the
// session makes, since WinInet applies it to reads only when it is set on
// the request or file handle itself. WinInet does not always keep them (a
// connect to a port that drops SYNs, a reply that trickles in byte by byte,
// FTP's blocking calls), so the module keeps its own clock besides: a
// connect that has not connected within connectMs is given up, and so is
// any one call that has not ended within PatienceMs(). A call that takes
// what has arrived ends as soon as a byte comes, so the patience bounds
// only a silence or a reply that never ends; it outlasts the receive
// time-out, which WinInet keeps where it can.
struct InternetTimeouts {
    DWORD connectMs = 10000;
    DWORD receiveMs = 30000;
    DWORD PatienceMs() const { return connectMs + receiveMs + 5000; }
};

enum class InternetMode {
    kBlocking,   // every call returns when its work is done
    kAsync,      // calls may go pending and end on WinInet's threads
};

class InternetSession {
public:
    bool Open(const char* agent, const InternetTimeouts& timeouts, InternetMode mode,
              InternetError* error);
    void Close() { handle_.Close(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }
    HINTERNET Get() const { return handle_.Get(); }
    const InternetTimeouts& Timeouts() const { return timeouts_; }
    InternetMode Mode() const { return mode_; }

private:
    InternetHandle handle_;
    InternetTimeouts timeouts_;
    InternetMode mode_ = InternetMode::kBlocking;
};

// A remote file being read: an FTP file or an HTTP request's body.
class InternetFile {
public:
    InternetFile() = default;
    virtual ~InternetFile() = default;
    InternetFile(InternetFile&&) = default;
    InternetFile& operator=(InternetFile&&) = default;

    // Reads what has arrived, up to `size`, waiting (at most the receive
    // time-out) only while nothing has; *waited tells whether it waited.
    // *got = 0 at the end. False on any failure, a time-out included.
    virtual bool ReadArrived(void* buffer, DWORD size, DWORD* got, bool* waited,
                             InternetError* error);
    virtual void Close() { handle_.Close(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }

protected:
    friend class FtpConnection;
    friend class HttpConnection;
    InternetHandle handle_;
};

class FtpConnection {
public:
    // Connects and logs in (passive mode); empty user and password log in
    // anonymously. `context` (a RequestSignals' value, or 0) hears of the
    // connect and of every later call on the connection.
    bool Connect(const InternetSession& session, const std::string& host, unsigned short port,
                 const std::string& user, const std::string& password, DWORD_PTR context,
                 InternetError* error);
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
    DWORD_PTR context_ = 0;
    bool binary_ = false;   // the server took "TYPE I" on this connection
};

class HttpRequest;

class HttpConnection {
public:
    // Makes the connection object; no traffic until the first request.
    bool Connect(const InternetSession& session, const std::string& host, unsigned short port,
                 bool secure, InternetError* error);
    void Close() { handle_.Close(); }
    bool IsOpen() const { return static_cast<bool>(handle_); }

    // A GET request that speaks HTTP/1.0, follows no redirect, neither
    // answers from nor writes into the WinInet cache, and asks any cache on
    // the way for the origin's current copy. The session must be
    // asynchronous.
    bool OpenGet(const std::string& object, HttpRequest* request, InternetError* error);

private:
    InternetHandle handle_;
    InternetTimeouts timeouts_;
    bool secure_ = false;
};

}   // namespace platform
