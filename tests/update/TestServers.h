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
