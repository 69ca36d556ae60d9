#pragma once
// Passive-mode FTP, binary transfers. The server URL's user name and
// password log in; without them the log-in is anonymous.
//
// WinInet's FTP calls block, heed no time-out of their own and can't be cut
// short safely, so every one of them runs on a call thread of this
// downloader's (update/support/CallThread.h), and the worker waits for it on
// the module's own clock: a connect that has not connected within the
// connect time-out, any call past the session's patience, and any call once
// the sink stops running are given up. The connection and the call left
// behind go with the call thread, which closes them when WinInet lets go;
// the next server, or the same one again, gets a thread of its own.
#include "update/Downloader.h"
#include "update/support/CallThread.h"

#include <functional>

struct FtpLink;

class FtpDownloader : public Downloader {
public:
    explicit FtpDownloader(DownloadSink* sink);
    ~FtpDownloader() override;

    int Download(const char* fileUrl, const char* localPath) override;
    std::string UrlEncode(const std::string& text) const override { return text; }

protected:
    bool Connect(const platform::InternetUrl& url, platform::InternetError* error) override;
    void CloseConnection() override;
    std::string Agent() const override { return "ludorin"; }

private:
    class RemoteFile;

    // Runs `call` on the link over the call thread and waits for it: true
    // when it returned and said it succeeded (the link's result); false with
    // *error set otherwise. A call given up takes the link and the thread
    // with it: the downloader is then closed.
    bool Call(std::function<void(FtpLink&)> call, platform::InternetError* error);
    // Hands the link to the call thread to close, and lets the thread end.
    void LetGo();

    RefPtr<CallThread> thread_;
    RefPtr<FtpLink> link_;
};
