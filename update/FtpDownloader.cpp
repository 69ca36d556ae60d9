#include "update/FtpDownloader.h"

bool FtpDownloader::Connect(const platform::InternetUrl& url, platform::InternetError* error) {
    return connection_.Connect(session_, url.host, url.port, url.user, url.password, error);
}

int FtpDownloader::Download(const char* fileUrl, const char* localPath) {
    platform::InternetUrl url;
    if (!BeginTransfer(fileUrl, &url)) return 0;
    size_t slash = url.object.rfind('/');
    const std::string folder = url.object.substr(0, slash + 1);
    const std::string name = url.object.substr(slash + 1);
    if (name.empty()) return 0;

    platform::InternetError error;
    if (!connection_.ChangeFolder(folder, &error)) {
        SetError(error);
        return 0;
    }
    // The size the server states: a data connection dropped early ends the
    // transfer like its normal end, so what arrived must be measured.
    unsigned long long size = 0;
    const bool sizeKnown = connection_.QueryFileSize(name, &size);
    platform::InternetFile remote;
    if (!connection_.OpenFile(name, &remote, &error)) {
        SetError(error);
        return 0;
    }
    return ReceiveFile(remote, localPath, size, sizeKnown);
}
