#pragma once
// HTTP/1.0 GET (HTTPS for https URLs). Only a 200 answer is read; a
// redirect is not followed and counts as a failure, like any other status,
// and leaves an empty local file.
#include "update/Downloader.h"

class HttpDownloader : public Downloader {
public:
    explicit HttpDownloader(DownloadSink* sink) : Downloader(sink) {}

    int Download(const char* fileUrl, const char* localPath) override;
    std::string UrlEncode(const std::string& text) const override { return text; }

    // The user agent: the file name of the module holding this code,
    // without its extension.
    static std::string ModuleAgent();

protected:
    bool Connect(const platform::InternetUrl& url, platform::InternetError* error) override;
    void CloseConnection() override {
        connection_.Close();
        session_.Close();
    }
    std::string Agent() const override { return ModuleAgent(); }

private:
    // Members are destroyed in reverse order: the connection goes before
    // the session.
    platform::InternetSession session_;
    platform::HttpConnection connection_;
};
