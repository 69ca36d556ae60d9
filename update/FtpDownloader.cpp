#include "update/FtpDownloader.h"

#include "platform/RequestSignals.h"

#include <cstring>
#include <memory>
#include <new>

// One server's connection as the call thread works it: the session, the
// logged-in connection, the file being read, and what the last call
// returned. Calls write only here, so that a call left behind writes into
// nothing its caller has freed; the last reference is always given up on the
// call thread, where closing the handles may block.
struct FtpLink : RefCounted {
    // Declared first, gone last: it hears of the connect, and of every call
    // on the connection, until the handles are closed.
    std::unique_ptr<platform::RequestSignals> signals = platform::RequestSignals::Make();
    platform::InternetSession session;
    platform::FtpConnection connection;
    platform::InternetFile file;
    std::unique_ptr<char[]> buffer{new (std::nothrow) char[Downloader::kReadChunk]};

    bool ok = false;
    platform::InternetError error;
    unsigned long long size = 0;
    bool sizeKnown = false;
    DWORD got = 0;
    bool waited = false;

    // Closed file first, then the connection, then the session.
    ~FtpLink() override {
        file.Close();
        connection.Close();
        session.Close();
    }
};

// The remote file as ReceiveFile reads it: each read runs on the call
// thread, into the link's buffer, and is copied out once it has returned.
class FtpDownloader::RemoteFile : public platform::InternetFile {
public:
    explicit RemoteFile(FtpDownloader* owner) : owner_(owner) {}
    ~RemoteFile() override { Close(); }

    bool ReadArrived(void* buffer, DWORD size, DWORD* got, bool* waited,
                     platform::InternetError* error) override {
        *got = 0;
        *waited = false;
        const DWORD want = size < Downloader::kReadChunk ? size : Downloader::kReadChunk;
        if (!owner_->Call(
                [want](FtpLink& l) {
                    l.ok = l.file.ReadArrived(l.buffer.get(), want, &l.got, &l.waited, &l.error);
                },
                error))
            return false;
        // The call returned: the link is still the downloader's.
        const FtpLink& link = *owner_->link_;
        std::memcpy(buffer, link.buffer.get(), link.got);
        *got = link.got;
        *waited = link.waited;
        return true;
    }

    // Closing a file waits for the server's word on the transfer: on the
    // call thread, like every call.
    void Close() override {
        if (!open_) return;
        open_ = false;
        platform::InternetError ignored;
        owner_->Call(
            [](FtpLink& l) {
                l.file.Close();
                l.ok = true;
            },
            &ignored);
    }

private:
    FtpDownloader* owner_;
    bool open_ = true;
};

FtpDownloader::FtpDownloader(DownloadSink* sink) : Downloader(sink) {}

FtpDownloader::~FtpDownloader() { LetGo(); }

bool FtpDownloader::Connect(const platform::InternetUrl& url, platform::InternetError* error) {
    LetGo();
    thread_ = CallThread::Start();
    link_ = thread_ ? new (std::nothrow) FtpLink : nullptr;
    if (!link_ || !link_->signals || !link_->buffer) {
        platform::SetInternetError(error, ERROR_NOT_ENOUGH_MEMORY);
        LetGo();
        return false;
    }
    const std::string agent = Agent();
    const platform::InternetTimeouts timeouts = timeouts_;
    return Call(
        [agent, timeouts, url](FtpLink& l) {
            l.ok = l.session.Open(agent.c_str(), timeouts, platform::InternetMode::kBlocking,
                                  &l.error) &&
                   l.connection.Connect(l.session, url.host, url.port, url.user, url.password,
                                        l.signals->Context(), &l.error);
        },
        error);
}

void FtpDownloader::CloseConnection() { LetGo(); }

void FtpDownloader::LetGo() {
    if (thread_) thread_->Finish([link = std::move(link_)] {});
    thread_ = nullptr;
    link_ = nullptr;
}

bool FtpDownloader::Call(std::function<void(FtpLink&)> call, platform::InternetError* error) {
    RefPtr<FtpLink> link = link_;
    if (!thread_ || !link) {
        platform::SetInternetError(error, ERROR_INTERNET_CONNECTION_ABORTED);
        return false;
    }
    const DWORD start = GetTickCount();
    DWORD given = 0;
    const auto awaitDone = [&](HANDLE done) {
        given = link->signals->AwaitEnd(done, start, timeouts_,
                                        [this] { return !sink_ || sink_->KeepRunning(); });
        return given == 0;
    };
    const bool returned = thread_->Run([link, call] { call(*link); }, awaitDone);
    if (!returned) {
        // Left behind: the thread keeps the link until the call returns.
        platform::SetInternetError(error, given ? given : DWORD(ERROR_INTERNET_CONNECTION_ABORTED));
        link = nullptr;
        LetGo();
        return false;
    }
    if (!link->ok) {
        if (error) *error = link->error;
        return false;
    }
    return true;
}

int FtpDownloader::Download(const char* fileUrl, const char* localPath) {
    platform::InternetUrl url;
    if (!BeginTransfer(fileUrl, &url)) return 0;
    size_t slash = url.object.rfind('/');
    const std::string folder = url.object.substr(0, slash + 1);
    const std::string name = url.object.substr(slash + 1);
    if (name.empty()) return 0;

    platform::InternetError error;
    // The size the server states: a data connection dropped early ends the
    // transfer like its normal end, so what arrived must be measured.
    const bool opened = Call(
        [folder, name](FtpLink& l) {
            l.sizeKnown = false;
            l.ok = l.connection.ChangeFolder(folder, &l.error);
            if (!l.ok) return;
            l.sizeKnown = l.connection.QueryFileSize(name, &l.size);
            l.ok = l.connection.OpenFile(name, &l.file, &l.error);
        },
        &error);
    if (!opened) {
        SetError(error);
        return 0;
    }
    const unsigned long long size = link_->size;
    const bool sizeKnown = link_->sizeKnown;
    RemoteFile remote(this);
    return ReceiveFile(remote, localPath, size, sizeKnown);
}
