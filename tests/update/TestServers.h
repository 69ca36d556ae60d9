#pragma once
// Access to the local HTTP/FTP test servers that tools/test-servers runs
// (tools/test starts them and exports their ports). Each test serves its
// files from its own new subfolder of the servers' root.
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace servers {

inline std::string Env(const char* name) { return testsupport::EnvVar(name); }
inline int Port(const char* name) { return std::atoi(Env(name).c_str()); }

// Fails the calling test (with the reason) when the servers are not running.
#define REQUIRE_TEST_SERVERS()                                                               \
    do {                                                                                     \
        if (servers::Port("FETCHPANE_HTTP_PORT") <= 0 ||                                     \
            servers::Env("FETCHPANE_SERVER_ROOT").empty())                                   \
            FAIL() << "FETCHPANE_HTTP_PORT is not set: start tools/test-servers and export " \
                      "its variables (tools/test does this)";                                \
    } while (0)

inline std::string HttpBase() { return "http://127.0.0.1:" + Env("FETCHPANE_HTTP_PORT"); }
inline std::string FtpBase() { return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_PORT"); }
inline std::string FtpSlowBase() { return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_SLOW_PORT"); }
// Sends a file's first 8 MB at once, then 10 KB per second (as HTTP's /_burst/).
inline std::string FtpBurstBase() { return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_BURST_PORT"); }
// Cuts a .zip file's transfer after half of it; says nothing at all.
inline std::string FtpShortBase() { return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_SHORT_PORT"); }
inline std::string FtpMuteBase() { return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_MUTE_PORT"); }
inline std::string DeadBase() { return "http://127.0.0.1:" + Env("FETCHPANE_DEAD_PORT"); }
// A port whose SYNs are dropped: a connect waits until the client gives up.
inline std::string SynDropBase(const char* scheme = "http") {
    return std::string(scheme) + "://127.0.0.1:" + Env("FETCHPANE_SYN_DROP_PORT");
}
// Sends its banner one byte every 2 s, forever.
inline std::string FtpTrickleBase() {
    return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_TRICKLE_PORT");
}
// Every PASV reply names the SYN-dropping port.
inline std::string FtpDeadPasvBase() {
    return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_DEAD_PASV_PORT");
}
// A .zip file's data connection goes silent after half the file and stays open.
inline std::string FtpStallBase() { return "ftp://127.0.0.1:" + Env("FETCHPANE_FTP_STALL_PORT"); }

// squid, caching (FETCHPANE_PROXY_PORT) or demanding a login that nobody
// has (FETCHPANE_PROXY_LOGIN_PORT), as a proxy server setting.
inline std::string ProxyAt(const char* portName) { return "127.0.0.1:" + Env(portName); }

// The cases of a suite named ...Proxy run one at a time, in a wine prefix of
// their own (tests/CMakeLists.txt): each sets that prefix's system proxy,
// the user's Internet settings that WinInet reads when a session opens.
// `server` "" switches the proxy off.
inline bool SetSystemProxy(const std::string& server) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER,
                        "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD enable = server.empty() ? 0 : 1;
    const bool set =
        RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                       sizeof enable) == ERROR_SUCCESS &&
        RegSetValueExA(key, "ProxyServer", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(server.c_str()),
                       DWORD(server.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

// Fails the calling test unless it runs in the proxy prefix with the proxy
// up: a proxy setting made anywhere else would reach other tests.
#define REQUIRE_PROXY_PREFIX()                                                               \
    do {                                                                                     \
        if (servers::Env("FETCHPANE_WINE_PROXY") != "1")                                     \
            FAIL() << "not in the proxy prefix: a suite named ...Proxy gets it from ctest";  \
        if (servers::Port("FETCHPANE_PROXY_PORT") <= 0)                                      \
            FAIL() << "FETCHPANE_PROXY_PORT is not set: tools/test-servers starts squid";   \
    } while (0)

// A new folder below the servers' root; its name is unique to this process
// and call, so tests never see each other's files or log lines.
class ServedFolder {
public:
    explicit ServedFolder(const char* tag) {
        static LONG counter = 0;
        char name[96];
        std::snprintf(name, sizeof name, "%s_%lu_%ld_%lu", tag, GetCurrentProcessId(),
                      InterlockedIncrement(&counter), GetTickCount());
        name_ = name;
        std::string root = Env("FETCHPANE_SERVER_ROOT");
        if (root.empty()) return;   // no servers: the test fails on its own
        path_ = root + "\\" + name_;
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ServedFolder() {
        if (!path_.empty()) testsupport::RemoveTree(path_);
    }
    ServedFolder(const ServedFolder&) = delete;
    ServedFolder& operator=(const ServedFolder&) = delete;

    const std::string& Name() const { return name_; }   // the URL path segment
    const std::string& Path() const { return path_; }   // the local folder
    // Writes a file below the folder (relative with '\'), creating folders.
    bool Put(const std::string& relative, const std::string& bytes) const {
        if (path_.empty()) return false;
        std::string full = path_ + "\\" + relative;
        for (size_t i = path_.size() + 1; i < full.size(); ++i)
            if (full[i] == '\\') CreateDirectoryA(full.substr(0, i).c_str(), nullptr);
        return testsupport::WriteWholeFile(full, bytes);
    }
    // Every file below the folder (or below `relative` in it), last written
    // `days` ago, as an origin's files that a cache on the way keeps fresh.
    bool MadeDaysAgo(int days, const std::string& relative = "") const {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER then{{now.dwLowDateTime, now.dwHighDateTime}};
        then.QuadPart -= ULONGLONG(days) * 24 * 3600 * 10000000;
        const FILETIME time{then.LowPart, then.HighPart};
        const std::string folder = relative.empty() ? path_ : path_ + "\\" + relative;
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return false;
        bool made = true;
        do {
            const std::string name = data.cFileName;
            const std::string below = relative.empty() ? name : relative + "\\" + name;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                made = MadeDaysAgo(days, below) && made;
                continue;
            }
            HANDLE file = CreateFileA((path_ + "\\" + below).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
            made = file != INVALID_HANDLE_VALUE && SetFileTime(file, nullptr, nullptr, &time) && made;
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        } while (FindNextFileA(search, &data));
        FindClose(search);
        return made;
    }

private:
    std::string name_;
    std::string path_;
};

// Lines of a server log that mention `needle` (the test's folder name).
inline std::vector<std::string> LogLines(const char* envName, const std::string& needle) {
    std::string text;
    std::vector<std::string> lines;
    if (!testsupport::ReadWholeFile(Env(envName), &text)) return lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.find(needle) != std::string::npos) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// The lines of squid's access log that mention `needle`, once there are at
// least `atLeast` of them (or after 3 s): squid writes a request's line when
// its transaction has ended, which may be just after the client's end.
inline std::vector<std::string> ProxyLogLines(const std::string& needle, size_t atLeast = 0) {
    std::vector<std::string> lines;
    testsupport::PumpUntil(
        [&] {
            lines = LogLines("FETCHPANE_PROXY_LOG", needle);
            return lines.size() >= atLeast;
        },
        3000);
    return lines;
}

inline std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char(x >> 16);
    }
    return bytes;
}

}   // namespace servers
