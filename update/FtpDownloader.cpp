#include "update/FtpDownloader.h"

#include "platform/InternetUrl.h"

int FtpDownloader::Open(const char* serverUrl) {
    Close();
    platform::InternetUrl url;
    if (!platform::ParseInternetUrl(serverUrl, &url)) return 0;
    server_ = url.host;
    port_ = url.port;
    user_ = url.user;
    password_ = url.password;

    platform::InternetError error;
    if (!session_.Open("ludorin", timeouts_, &error) ||
        !connection_.Connect(session_, server_, port_, user_, password_, &error)) {
        SetError(error);
        Close();
        return 0;
    }
    return 1;
}

int FtpDownloader::Close() {
    connection_.Close();
    session_.Close();
    return 1;
}

int FtpDownloader::Download(const char* fileUrl, const char* localPath) {
    platform::InternetUrl url;
    if (!platform::ParseInternetUrl(fileUrl, &url) || url.object.empty()) return 0;
    size_t slash = url.object.rfind('/');
    const std::string folder = url.object.substr(0, slash + 1);
    const std::string name = url.object.substr(slash + 1);
    if (name.empty()) return 0;
    if (!session_.IsOpen() || !connection_.IsOpen()) return 0;

    platform::InternetError error;
    if (!connection_.ChangeFolder(folder, &error)) {
        SetError(error);
        return 0;
    }
    platform::InternetFile remote;
    if (!connection_.OpenFile(name, &remote, &error)) {
        SetError(error);
        return 0;
    }
    return ReceiveFile(remote, localPath, 0, false);
}
