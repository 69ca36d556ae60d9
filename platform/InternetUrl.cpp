#include "platform/InternetUrl.h"

#include <cstring>

namespace platform {
namespace {

bool IsSchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

bool ParsePort(const std::string& digits, unsigned short* port) {
    if (digits.empty() || digits.size() > 5) return false;
    unsigned value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + unsigned(c - '0');
    }
    if (value == 0 || value > 65535) return false;
    *port = static_cast<unsigned short>(value);
    return true;
}

}   // namespace

bool HoldsControlByte(const char* text) {
    for (const char* p = text; p && *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

bool ParseInternetUrl(const char* text, InternetUrl* url) {
    if (!text || !url || HoldsControlByte(text)) return false;
    const char* sep = std::strstr(text, "://");
    if (!sep || sep == text) return false;
    for (const char* p = text; p < sep; ++p)
        if (!IsSchemeChar(*p)) return false;

    InternetUrl out;
    const std::string scheme = Lower(std::string(text, sep));
    if (scheme == "ftp") {
        out.service = kInternetServiceFtp;
        out.port = 21;
    } else if (scheme == "http") {
        out.service = kInternetServiceHttp;
        out.port = 80;
    } else if (scheme == "https") {
        out.service = kInternetServiceHttps;
        out.port = 443;
    }

    const char* authority = sep + 3;
    const char* slash = std::strchr(authority, '/');
    const char* end = slash ? slash : authority + std::strlen(authority);
    out.object = slash ? std::string(slash) : std::string("/");

    std::string hostPort(authority, end);
    // The credentials end at the last '@' of the authority, so a password may hold '@'.
    size_t at = hostPort.rfind('@');
    if (at != std::string::npos) {
        std::string credentials = hostPort.substr(0, at);
        hostPort.erase(0, at + 1);
        size_t colon = credentials.find(':');
        out.user = credentials.substr(0, colon);
        if (colon != std::string::npos) out.password = credentials.substr(colon + 1);
    }

    // A bracketed IPv6 literal keeps its colons; the port follows the ']'.
    size_t hostEnd = 0;
    if (!hostPort.empty() && hostPort[0] == '[') {
        hostEnd = hostPort.find(']');
        if (hostEnd == std::string::npos) return false;
    }
    size_t colon = hostPort.find(':', hostEnd);
    if (colon != std::string::npos) {
        if (!ParsePort(hostPort.substr(colon + 1), &out.port)) return false;
        hostPort.erase(colon);
    }
    if (hostPort.empty()) return false;
    out.host = hostPort;
    *url = out;
    return true;
}

unsigned InternetServiceOf(const char* text) {
    InternetUrl url;
    return ParseInternetUrl(text, &url) ? url.service : unsigned(kInternetServiceUnknown);
}

}   // namespace platform
