#pragma once
// Passive-mode FTP, binary transfers. The server URL's user name and
// password log in; without them the log-in is anonymous.
#include "update/Downloader.h"

class FtpDownloader : public Downloader {
public:
    explicit FtpDownloader(DownloadSink* sink) : Downloader(sink) {}

    int Download(const char* fileUrl, const char* localPath) override;
    std::string UrlEncode(const std::string& text) const override { return text; }

protected:
    bool Connect(const platform::InternetUrl& url, platform::InternetError* error) override;
    void CloseConnection() override { connection_.Close(); }
    std::string Agent() const override { return "ludorin"; }

private:
    platform::FtpConnection connection_;
};
