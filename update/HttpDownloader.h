#pragma once
// HTTP/1.0 GET (HTTPS for https URLs). Only a 200 answer is read; a
// redirect is not followed and counts as a failure, like any other status,
// and leaves an empty local file.
#include "update/Downloader.h"

class HttpDownloader : public Downloader {
public:
    explicit HttpDownloader(DownloadSink* sink) : Downloader(sink) {}
    ~HttpDownloader() override { Close(); }

    int Open(const char* serverUrl) override;
    int Close() override;
    int Download(const char* fileUrl, const char* localPath) override;
    std::string UrlEncode(const std::string& text) const override { return text; }

    // The user agent: the file name of the module holding this code,
    // without its extension.
    static std::string ModuleAgent();

private:
    std::string server_;
    unsigned short port_ = 80;
    bool secure_ = false;
    platform::InternetSession session_;
    platform::HttpConnection connection_;
};
