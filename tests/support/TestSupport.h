#pragma once
// Helpers every test program shares: what the engine logs, message boxes
// switched off, a bounded message pump, a fresh folder per test and the
// graphics pools.
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Collects every line the engine logs while alive (one at a time).
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    std::vector<std::string> Lines() const;
    bool Contains(const std::string& text) const;   // any line containing text
    size_t Count(const std::string& text) const;    // lines equal to text
    void Clear();
};

// Message boxes shown by the engine since the program started (title, text);
// the boxes themselves never appear: a modal box would hang a headless run.
struct ShownBox {
    std::string title, text;
    UINT type;
};
std::vector<ShownBox> ShownBoxes();
void ClearShownBoxes();
void SetMessageBoxAnswer(int answer);   // what the suppressed box returns (IDOK)

// Dispatches messages of this thread until `done` holds or `timeoutMs`
// passes; true when `done` held.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// A new empty folder under the temporary folder, removed with its content.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; }
    std::string Join(const std::string& relative) const;

private:
    std::string path_;
};

bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool FileExists(const std::string& path);
bool RemoveTree(const std::string& path);
std::string ExeFolder();

// The local test servers that tools/test starts (empty/0 when not running).
std::string EnvVar(const char* name);

// The engine's graphics pools, made once for the program (they live as long
// as the process); false when they could not be made.
bool EnsurePools();

}   // namespace testsupport
