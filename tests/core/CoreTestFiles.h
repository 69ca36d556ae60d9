#pragma once
// Log files of the core tests: they live in the test program's folder (the
// module's folder), under names no other test uses, and go when the test ends.
#include "support/TestSupport.h"

#include <windows.h>

#include <string>
#include <vector>

namespace coretest {

// A base name unique to this process and purpose; removes its files on exit.
class LogFiles {
public:
    explicit LogFiles(const std::string& purpose)
        : base_("fpcore_" + purpose + "_" + std::to_string(GetCurrentProcessId())) {
        RemoveAll();
    }
    ~LogFiles() { RemoveAll(); }
    LogFiles(const LogFiles&) = delete;
    LogFiles& operator=(const LogFiles&) = delete;

    const std::string& Base() const { return base_; }
    std::string Path(int number) const {
        return testsupport::ExeFolder() + "\\" + base_ + "~" + std::to_string(number) + ".log";
    }
    std::string Read(int number) const {
        std::string bytes;
        testsupport::ReadWholeFile(Path(number), &bytes);
        return bytes;
    }
    bool Exists(int number) const { return testsupport::FileExists(Path(number)); }
    // Every file in the module folder whose name holds the base name.
    std::vector<std::string> AllFiles() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((testsupport::ExeFolder() + "\\*" + base_ + "*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return names;
        do names.push_back(fd.cFileName);
        while (FindNextFileA(h, &fd));
        FindClose(h);
        return names;
    }

private:
    void RemoveAll() const {
        for (const std::string& name : AllFiles())
            DeleteFileA((testsupport::ExeFolder() + "\\" + name).c_str());
    }
    std::string base_;
};

// The lines of a log file, each without its "\r\n"; a last piece without
// "\r\n" is returned as it stands.
inline std::vector<std::string> SplitLines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// The text of a stamped line "[YYYY/MM/DD HH:MM:SS] text", or "<bad>" when
// the line has another form.
std::string LineText(const std::string& line);

}   // namespace coretest
