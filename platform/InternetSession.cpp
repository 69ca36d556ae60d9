#include "platform/InternetSession.h"

#include "platform/HttpRequest.h"
#include "platform/RequestSignals.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

const size_t kTextCapacity = 260;

std::string TrimLineEnds(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

std::string MessageText(DWORD code) {
    char buffer[kTextCapacity] = {};
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    HMODULE wininet = GetModuleHandleA("wininet.dll");
    if (wininet) flags |= FORMAT_MESSAGE_FROM_HMODULE;
    DWORD n = FormatMessageA(flags, wininet, code, 0, buffer, sizeof buffer - 1, nullptr);
    buffer[n < sizeof buffer ? n : sizeof buffer - 1] = '\0';
    return TrimLineEnds(buffer);
}

void SetTimeouts(HINTERNET handle, DWORD receiveMs) {
    if (!handle || receiveMs == 0) return;
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &receiveMs, sizeof receiveMs);
}

}   // namespace

bool ParseDecimalCount(const std::string& text, unsigned long long* value) {
    if (text.empty()) return false;
    unsigned long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || n > (~0ULL - 9) / 10) return false;
        n = n * 10 + unsigned(c - '0');
    }
    *value = n;
    return true;
}

void SetInternetError(InternetError* error, DWORD code) {
    if (!error) return;
    error->code = code;
    if (code == ERROR_INTERNET_EXTENDED_ERROR)
        error->text = LastInternetResponse();
    else
        error->text = MessageText(code);
    if (error->text.empty()) error->text = "WinInet error " + std::to_string(code);
}

void CaptureInternetError(InternetError* error) {
    DWORD code = GetLastError();
    SetInternetError(error, code ? code : ERROR_INTERNET_INTERNAL_ERROR);
}

std::string LastInternetResponse() {
    char buffer[kTextCapacity] = {};
    DWORD code = 0;
    DWORD size = sizeof buffer - 1;
    if (!InternetGetLastResponseInfoA(&code, buffer, &size)) return std::string();
    buffer[size < sizeof buffer ? size : sizeof buffer - 1] = '\0';
    return TrimLineEnds(buffer);
}

InternetHandle& InternetHandle::operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.Release();
    }
    return *this;
}

HINTERNET InternetHandle::Release() {
    HINTERNET handle = handle_;
    handle_ = nullptr;
    return handle;
}

void InternetHandle::Close() {
    if (!handle_) return;
    HINTERNET handle = Release();
    InternetSetStatusCallbackA(handle, nullptr);
    InternetCloseHandle(handle);
}

namespace {

// WinInet's own threads outlive the calls they ran: a call given up may end
// long after, and the system pool's workers give back what WinInet gave them
// only while WinInet is loaded. So once the module has used it, WinInet
// stays for the rest of the process, even when the module that loaded it is
// unloaded.
void KeepWinInetLoaded() {
    static std::atomic<bool> pinned{false};
    if (pinned.exchange(true)) return;
    HMODULE wininet = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_PIN, "wininet.dll", &wininet);
}

}   // namespace

bool InternetSession::Open(const char* agent, const InternetTimeouts& timeouts, InternetMode mode,
                           InternetError* error) {
    Close();
    KeepWinInetLoaded();
    timeouts_ = timeouts;
    mode_ = mode;
    const DWORD flags = mode == InternetMode::kAsync ? INTERNET_FLAG_ASYNC : 0;
    HINTERNET handle = InternetOpenA(agent && *agent ? agent : "Fetchpane",
                                     INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, flags);
    if (!handle) {
        CaptureInternetError(error);
        return false;
    }
    handle_ = InternetHandle(handle);
    // Handles made from the session take its callback when they are made;
    // a blocking session's calls report on the calling thread.
    if (InternetSetStatusCallbackA(handle, &RequestSignals::OnStatus) ==
        INTERNET_INVALID_STATUS_CALLBACK) {
        CaptureInternetError(error);
        Close();
        return false;
    }
    DWORD connectMs = timeouts.connectMs;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
    SetTimeouts(handle, timeouts.receiveMs);
    return true;
}

// A blocking read waits until its buffer is full: it asks only for what
// has arrived, or, with nothing yet, for the first bytes.
bool InternetFile::ReadArrived(void* buffer, DWORD size, DWORD* got, bool* waited,
                               InternetError* error) {
    *got = 0;
    *waited = false;
    if (!handle_) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    const DWORD kFirstBytes = 1024;
    DWORD arrived = 0;
    if (!InternetQueryDataAvailable(handle_.Get(), &arrived, 0, 0)) {
        // An FTP file with nothing queued yet answers "pending" even in
        // blocking mode.
        if (GetLastError() != ERROR_IO_PENDING) {
            CaptureInternetError(error);
            return false;
        }
        arrived = 0;
    }
    *waited = arrived == 0;
    const DWORD want = arrived ? arrived : kFirstBytes;
    if (!InternetReadFile(handle_.Get(), buffer, want < size ? want : size, got)) {
        *got = 0;
        CaptureInternetError(error);
        return false;
    }
    return true;
}

bool FtpConnection::Connect(const InternetSession& session, const std::string& host,
                            unsigned short port, const std::string& user,
                            const std::string& password, DWORD_PTR context,
                            InternetError* error) {
    Close();
    if (!session.IsOpen()) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    receiveMs_ = session.Timeouts().receiveMs;
    context_ = context;
    HINTERNET handle = InternetConnectA(session.Get(), host.c_str(), port,
                                        user.empty() ? nullptr : user.c_str(),
                                        user.empty() ? nullptr : password.c_str(),
                                        INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, context_);
    if (!handle) {
        CaptureInternetError(error);
        return false;
    }
    handle_ = InternetHandle(handle);
    SetTimeouts(handle, receiveMs_);
    return true;
}

bool FtpConnection::ChangeFolder(const std::string& folder, InternetError* error) {
    if (!handle_) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    if (FtpSetCurrentDirectoryA(handle_.Get(), folder.c_str())) return true;
    CaptureInternetError(error);
    std::string response = LastInternetResponse();
    if (error && !response.empty()) error->text = response;
    return false;
}

bool FtpConnection::QueryFileSize(const std::string& name, unsigned long long* size) {
    if (!handle_ || name.empty()) return false;
    // FtpGetFileSize is not answered everywhere (wine reports 0 for every
    // file); the SIZE command is, once the transfer type is binary.
    auto command = [&](const std::string& text) {
        HINTERNET response = nullptr;
        BOOL ok = FtpCommandA(handle_.Get(), FALSE, FTP_TRANSFER_TYPE_BINARY, text.c_str(),
                              context_, &response);
        if (response) InternetCloseHandle(response);
        return ok != FALSE;
    };
    // The type stays binary for the connection (file transfers ask for
    // binary too): it is set once, not before every file.
    if (!binary_ && !command("TYPE I")) return false;
    binary_ = true;
    if (!command("SIZE " + name)) return false;
    const std::string reply = LastInternetResponse();   // "213 <bytes>"
    return reply.compare(0, 4, "213 ") == 0 && ParseDecimalCount(reply.substr(4), size);
}

bool FtpConnection::OpenFile(const std::string& name, InternetFile* file, InternetError* error) {
    file->Close();
    if (!handle_) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    HINTERNET handle = FtpOpenFileA(handle_.Get(), name.c_str(), GENERIC_READ,
                                    FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, context_);
    if (!handle) {
        CaptureInternetError(error);
        return false;
    }
    file->handle_ = InternetHandle(handle);
    SetTimeouts(handle, receiveMs_);
    return true;
}

bool HttpConnection::Connect(const InternetSession& session, const std::string& host,
                             unsigned short port, bool secure, InternetError* error) {
    Close();
    if (!session.IsOpen()) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    if (session.Mode() != InternetMode::kAsync) {
        SetInternetError(error, ERROR_INVALID_PARAMETER);
        return false;
    }
    timeouts_ = session.Timeouts();
    secure_ = secure;
    // Context 0: WinInet calls back for none of the connection's doings.
    HINTERNET handle = InternetConnectA(session.Get(), host.c_str(), port, nullptr, nullptr,
                                        INTERNET_SERVICE_HTTP, 0, 0);
    if (!handle) {
        CaptureInternetError(error);
        return false;
    }
    handle_ = InternetHandle(handle);
    SetTimeouts(handle, timeouts_.receiveMs);
    return true;
}

bool HttpConnection::OpenGet(const std::string& object, HttpRequest* request,
                             InternetError* error) {
    request->Close();
    if (!handle_) {
        SetInternetError(error, ERROR_INVALID_HANDLE);
        return false;
    }
    std::unique_ptr<RequestSignals> signals = RequestSignals::Make();
    if (!signals) {
        CaptureInternetError(error);
        return false;
    }
    // A caching proxy on the way would answer from its copy, which may be
    // days old: a list that old makes an outdated install look current. So
    // every request asks any cache for the origin's current copy, in both
    // ways caches read (Pragma for HTTP/1.0 ones, Cache-Control for 1.1).
    DWORD flags = INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_AUTO_REDIRECT |
                  INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_PRAGMA_NOCACHE;
    if (secure_) flags |= INTERNET_FLAG_SECURE;
    HINTERNET handle = HttpOpenRequestA(handle_.Get(), "GET", object.c_str(), "HTTP/1.0", nullptr,
                                        nullptr, flags, signals->Context());
    if (!handle) {
        CaptureInternetError(error);
        return false;
    }
    request->handle_ = InternetHandle(handle);
    static const char kNoCache[] = "Cache-Control: no-cache\r\n";
    if (!HttpAddRequestHeadersA(handle, kNoCache, DWORD(sizeof kNoCache - 1),
                                HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) {
        CaptureInternetError(error);
        request->Close();
        return false;
    }
    request->signals_ = std::move(signals);
    request->timeouts_ = timeouts_;
    SetTimeouts(handle, timeouts_.receiveMs);
    return true;
}

}   // namespace platform
