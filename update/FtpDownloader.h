#pragma once
// Passive-mode FTP, binary transfers. The server URL's user name and
// password log in; without them the log-in is anonymous.
#include "update/Downloader.h"

class FtpDownloader : public Downloader {
public:
    explicit FtpDownloader(DownloadSink* sink) : Downloader(sink) {}
    ~FtpDownloader() override { Close(); }

    int Open(const char* serverUrl) override;
    int Close() override;
    int Download(const char* fileUrl, const char* localPath) override;
    std::string UrlEncode(const std::string& text) const override { return text; }

private:
    std::string server_;
    unsigned short port_ = 21;
    std::string user_;
    std::string password_;
    // Declared session first: members are destroyed connection first.
    platform::InternetSession session_;
    platform::FtpConnection connection_;
};
