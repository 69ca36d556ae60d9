#pragma once
// Splitting of server and file URLs of the form
//   scheme://[user[:password]@]host[:port][/object]
// The parts are kept as raw bytes: nothing is percent-decoded or encoded.
#include <string>

namespace platform {

// Service types, numbered as the downloaders and the update task expect
// them: FTP is 1 and any URL that can't be split counts as FTP there.
enum InternetService : unsigned {
    kInternetServiceUnknown = 0x1000,
    kInternetServiceFtp = 1,
    kInternetServiceHttp = 3,
    kInternetServiceHttps = 0x100B,
};

struct InternetUrl {
    unsigned service = kInternetServiceUnknown;
    std::string host;
    std::string object;   // always begins with "/"
    std::string user;
    std::string password;
    unsigned short port = 0;   // the scheme's default when the URL names none
};

// False when the text is not a URL (no "scheme://", no host, a bad port).
bool ParseInternetUrl(const char* text, InternetUrl* url);

// The service type of a URL, or kInternetServiceUnknown when it does not split.
unsigned InternetServiceOf(const char* text);

}   // namespace platform
