#pragma once
// A request over an asynchronous session. A call that goes pending is
// waited for here, on the module's own clock: given up when the keep-waiting
// check says so, when its connect has not connected within the connect
// time-out, or when it has not ended within the session's patience.
//
// A call given up stays WinInet's: it may end long after, or never. So
// nothing WinInet may still write into lives on the caller's stack or in
// memory freed at Close, the callback is taken off the handle before it is
// closed, and Close waits for nothing. (WinInet itself stays loaded once
// used: InternetSession::Open.)
#include "platform/InternetSession.h"

#include <functional>
#include <memory>

namespace platform {

class RequestSignals;

class HttpRequest : public InternetFile {
public:
    HttpRequest();
    ~HttpRequest() override;
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Asked while a call is pending; false gives the call up.
    void SetKeepWaiting(std::function<bool()> keepWaiting) {
        keepWaiting_ = std::move(keepWaiting);
    }
    bool Send(InternetError* error);
    bool ReadArrived(void* buffer, DWORD size, DWORD* got, bool* waited,
                     InternetError* error) override;
    // Closes the handle at once, a call still pending or not.
    void Close() override;
    // False when the server's status line can't be read.
    bool QueryStatusCode(DWORD* status) const;
    // False when the response carries no Content-Length.
    bool QueryContentLength(unsigned long long* length) const;
    bool QueryLocation(std::string* location) const;

private:
    friend class HttpConnection;
    // After a call went pending: true when it ended well.
    bool AwaitPending(InternetError* error);
    // Whether the body has ended, asked when a read took nothing.
    bool AtEnd(bool* atEnd, bool* waited, InternetError* error);

    std::unique_ptr<RequestSignals> signals_;
    std::function<bool()> keepWaiting_;
    InternetTimeouts timeouts_;
    // A call went pending and has not ended: WinInet still holds it.
    bool pending_ = false;
    // Where a query for available data writes its count: on the process
    // heap, and left there when a query is given up, since WinInet writes
    // it when the query ends, whenever that is.
    DWORD* available_ = nullptr;
};

}   // namespace platform
