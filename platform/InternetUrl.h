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

// Whether the text holds a control byte (0x00 to 0x1F, or 0x7F). In a
// request, such a byte would end the request's line and begin a header or
// a command of its own; no URL holds one.
bool HoldsControlByte(const char* text);

// False when the text is not a URL (no "scheme://", no host, a bad port, a
// control byte).
bool ParseInternetUrl(const char* text, InternetUrl* url);

// The service type of a URL, or kInternetServiceUnknown when it does not split.
unsigned InternetServiceOf(const char* text);

}   // namespace platform
