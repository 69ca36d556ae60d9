#include "update/HttpDownloader.h"

#include "platform/HttpRequest.h"

#include <cstring>

std::string HttpDownloader::ModuleAgent() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&HttpDownloader::ModuleAgent), &module))
        module = nullptr;
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return "Fetchpane";
    std::string name(path, n);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name.empty() ? std::string("Fetchpane") : name;
}

bool HttpDownloader::Connect(const platform::InternetUrl& url, platform::InternetError* error) {
    const bool secure = url.service == platform::kInternetServiceHttps;
    // Only an asynchronous request can take what has arrived without
    // waiting for more.
    return session_.Open(Agent().c_str(), timeouts_, platform::InternetMode::kAsync, error) &&
           connection_.Connect(session_, url.host, url.port, secure, error);
}

int HttpDownloader::Download(const char* fileUrl, const char* localPath) {
    platform::InternetUrl url;
    if (!BeginTransfer(fileUrl, &url)) return 0;

    platform::InternetError error;
    platform::HttpRequest request;
    request.SetKeepWaiting([this] { return !sink_ || sink_->KeepRunning(); });
    if (!connection_.OpenGet(UrlEncode(url.object), &request, &error) || !request.Send(&error)) {
        SetError(error);
        return 0;
    }
    DWORD status = 200;   // an unreadable status is read as if it were 200
    request.QueryStatusCode(&status);
    if (status != 200) {
        std::string location;
        if ((status == 301 || status == 302 || status == 303) && request.QueryLocation(&location))
            SetError("HTTP " + std::to_string(status) + " to " + location + " (not followed)");
        else
            SetError("HTTP " + std::to_string(status));
        request.Close();
        LocalFile empty;   // the local file stays, empty
        empty.Create(localPath);
        return 0;
    }
    unsigned long long length = 0;
    bool lengthKnown = request.QueryContentLength(&length);
    return ReceiveFile(request, localPath, length, lengthKnown);
}
