#pragma once
// Whether local files are the ones an update list names: present, of the
// listed size, with the listed MD5 (32 lower-case hex digits of the file's
// bytes). The size is compared first, so a file of another size is never
// hashed; a folder or a file that can't be read never matches.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// `ignoreHexCase`: the listed digest's hex digits may be upper case. The
// update check compares byte for byte (an upper-case digest always counts as
// changed there); the verification of an install accepts either case.
// `keepRunning`, when given, is asked once per block: a stop ends the check
// as a mismatch.
bool LocalFileMatches(const std::string& path, int32_t size, const std::string& md5,
                      bool ignoreHexCase, const std::function<bool()>& keepRunning = nullptr);
// Whether two hex digests are the same, whatever the case of their digits.
bool EqualIgnoringHexCase(const std::string& a, const std::string& b);

// One listed file as the check of an install sees it: its full local path,
// listed size and listed MD5 (compared byte for byte).
struct CheckedFile {
    std::string path;
    int32_t size;
    std::string md5;
};

// Checks a list of files with a few readers at once. Each reader takes the
// next unchecked file and reads it whole, from start to end, so one file's
// open, another's read and a third's hashing overlap while a disk still sees
// a few sequential streams. A file the list names more than once (by
// PathKey) is read once, whole, and every naming compared with it. The calling thread is one of the
// readers; the others are threads of the check's own, all ended before it returns.
class InstallCheck {
public:
    // Readers per check of a task, the calling thread included. Measured
    // under wine on eight shared cores (tools/benchmark update): one reader
    // waits out every open and close; three overlap them and reach the
    // floor of reading with as many threads; a fourth only lengthens the
    // queue at wine's one server thread, and often does worse.
    static const unsigned kReaders = 3;
    static const unsigned kMaxReaders = 4;

    // `readers`: 1 to kMaxReaders (others are clamped). `keepRunning` is asked
    // once per block by every reader and once per handed-over outcome.
    InstallCheck(unsigned readers, std::function<bool()> keepRunning);

    // Hands the outcome of every file to `onChecked` (its index, whether it
    // matches), on the calling thread and in list order. False when
    // keep-running ended the check first: no outcome is handed over after it.
    bool Run(const std::vector<CheckedFile>& files,
             const std::function<void(size_t index, bool matches)>& onChecked) const;

private:
    unsigned readers_;
    std::function<bool()> keepRunning_;
};
