#include "update/InstallCheck.h"

#include "update/support/FileHandle.h"
#include "update/support/FileUtils.h"
#include "update/support/Md5Digest.h"

#include <windows.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>

namespace {

// The digest of the file's bytes to its end, their count in *length; ""
// when a read fails, keep-running ends it, or the file holds more than
// `limit` bytes (only limit + 1 are read then). The length is found by
// reading, not asked for: under wine every size query is one more round
// trip, which costs as much as reading a small file.
std::string DigestUpTo(HANDLE file, uint64_t limit, const std::function<bool()>& keepRunning,
                       uint64_t* length) {
    const DWORD kChunk = 64 * 1024;
    unsigned char
        chunk[kChunk];   // on the stack: a fresh large block per file costs more than its reads
    Md5Context context;
    Md5Digest::Init(&context);
    // Asking for one byte more than the limit leaves shows a longer file; a
    // read that returns less than asked has reached the end (a short read
    // anywhere else only makes the file count as changed).
    uint64_t& total = *length;
    total = 0;
    for (;;) {
        const uint64_t remains = limit - total + 1;
        const DWORD want = remains < kChunk ? DWORD(remains) : kChunk;
        DWORD got = 0;
        if (keepRunning && !keepRunning()) return std::string();
        if (!ReadFile(file, chunk, want, &got, nullptr)) return std::string();
        total += got;
        if (total > limit) return std::string();   // longer than the limit
        Md5Digest::Update(&context, chunk, got);
        if (got < want) break;
    }
    unsigned char digest[16];
    Md5Digest::Final(digest, &context);
    return Md5Digest::ToHex(digest);
}

// Opened as the check opens every file: one open serves presence, size and
// digest (opening a file is the costly part of checking many small ones);
// sharing write and delete, a file another program holds open for writing
// is still compared.
HANDLE OpenChecked(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// For each file, the first file of the list with the same PathKey (itself
// for most): a file the list names more than once is read only once.
std::vector<size_t> FirstNamings(const std::vector<CheckedFile>& files) {
    std::vector<size_t> first(files.size());
    std::map<std::wstring, size_t> seen;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::wstring key = PathKey(files[i].path);
        first[i] = key.empty() ? i : seen.emplace(key, i).first->second;
    }
    return first;
}

// A reader's stack holds its 64 KB block.
const unsigned kReaderStackBytes = 256 * 1024;
// How long the calling thread waits for another reader's outcome before it
// asks keep-running again.
const DWORD kOutcomeWaitMs = 50;

enum Outcome : uint8_t { kPending, kMatches, kDiffers, kStopped };

// A file the list names more than once, read whole once: every naming is
// compared with what it holds, so a list naming one large file many times
// costs one read of it.
struct WholeRead {
    std::string digest;   // "" when it could not be read
    uint64_t length = 0;

    bool Matches(const CheckedFile& file) const {
        return !digest.empty() && file.size >= 0 && length == uint64_t(file.size) &&
               digest == file.md5;
    }
};

// What the readers of one check share: the list, the next file nobody has
// taken, and each file's outcome. The readers besides the calling thread are
// started here and joined by the destructor, so none outlives the check,
// whichever way it ends.
class SharedCheck {
public:
    SharedCheck(const std::vector<CheckedFile>& files, const std::function<bool()>& keepRunning)
        : files_(files),
          keepRunning_(keepRunning),
          first_(FirstNamings(files)),
          outcomes_(new std::atomic<uint8_t>[files.size()]),
          ready_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
        for (size_t i = 0; i < files.size(); ++i) {
            outcomes_[i].store(kPending);
            if (first_[i] != i) wholeReads_[first_[i]];   // made now: readers only fill them
        }
    }
    ~SharedCheck();
    SharedCheck(const SharedCheck&) = delete;
    SharedCheck& operator=(const SharedCheck&) = delete;

    // Starts up to `count` more readers; fewer when the system has none to give.
    void StartReaders(unsigned count);
    // Checks the next file nobody has taken; false when none is left or the
    // check is no longer wanted.
    bool CheckNext();
    // A file named before is decided by its first naming's read, whose
    // outcome the caller has taken already (outcomes go in list order).
    Outcome OutcomeOf(size_t index) const {
        const size_t first = first_[index];
        if (first != index)
            return wholeReads_.at(first).Matches(files_[index]) ? kMatches : kDiffers;
        return Outcome(outcomes_[index].load(std::memory_order_acquire));
    }
    // Returns once some reader stored an outcome, or after a short while.
    void WaitForOutcome() const { WaitForSingleObject(ready_, kOutcomeWaitMs); }

private:
    static unsigned __stdcall ReaderEntry(void* self);
    bool Matches(size_t index);
    bool Wanted() const {
        return !quit_.load(std::memory_order_acquire) && (!keepRunning_ || keepRunning_());
    }

    const std::vector<CheckedFile>& files_;
    const std::function<bool()>& keepRunning_;
    const std::function<bool()> wanted_{[this] { return Wanted(); }};
    const std::vector<size_t> first_;          // FirstNamings of the list
    std::map<size_t, WholeRead> wholeReads_;   // by first naming, of files named again
    std::unique_ptr<std::atomic<uint8_t>[]> outcomes_;
    std::atomic<size_t> nextFile_{0};
    std::atomic<bool> quit_{false};
    HANDLE ready_;   // auto-reset: an outcome was stored
    std::vector<HANDLE> readers_;
};

SharedCheck::~SharedCheck() {
    quit_.store(true, std::memory_order_release);
    // Each reader asks once per block, so this wait is one block's read.
    if (!readers_.empty())
        WaitForMultipleObjects(DWORD(readers_.size()), readers_.data(), TRUE, INFINITE);
    for (HANDLE reader : readers_) CloseHandle(reader);
    if (ready_) CloseHandle(ready_);
}

void SharedCheck::StartReaders(unsigned count) {
    if (!ready_) return;   // nothing to wait on: the calling thread reads alone
    for (unsigned i = 0; i < count; ++i) {
        const uintptr_t reader = _beginthreadex(nullptr, kReaderStackBytes, &ReaderEntry, this,
                                                STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!reader) break;
        readers_.push_back(reinterpret_cast<HANDLE>(reader));
    }
}

unsigned __stdcall SharedCheck::ReaderEntry(void* self) {
    while (static_cast<SharedCheck*>(self)->CheckNext()) {
    }
    return 0;
}

bool SharedCheck::CheckNext() {
    // A file named before is never taken: its first naming's read serves it.
    size_t seen = nextFile_.load(std::memory_order_relaxed), index;
    do {
        for (index = seen; index < files_.size() && first_[index] != index;) ++index;
        if (index >= files_.size() || !Wanted()) return false;
    } while (!nextFile_.compare_exchange_weak(seen, index + 1, std::memory_order_relaxed));

    // Every file taken gets an outcome, or the calling thread would wait for
    // it for ever: one that can't be compared counts as changed.
    Outcome outcome = kDiffers;
    try {
        if (Matches(index)) outcome = kMatches;
    } catch (...) {
    }
    if (outcome == kDiffers && !Wanted()) outcome = kStopped;   // cut short, not compared
    outcomes_[index].store(outcome, std::memory_order_release);
    SetEvent(ready_);
    return true;
}

bool SharedCheck::Matches(size_t index) {
    const CheckedFile& file = files_[index];
    if (file.path.empty()) return false;
    const auto whole = wholeReads_.find(index);
    if (whole == wholeReads_.end())
        return LocalFileMatches(file.path, file.size, file.md5, false, wanted_);
    FileHandle handle(OpenChecked(file.path));
    WholeRead& read = whole->second;
    if (handle.Valid())
        read.digest = DigestUpTo(handle.Get(), UINT64_MAX - 1, wanted_, &read.length);
    return read.Matches(file);
}

}   // namespace

InstallCheck::InstallCheck(unsigned readers, std::function<bool()> keepRunning)
    : readers_(std::min(std::max(readers, 1u), kMaxReaders)),
      keepRunning_(std::move(keepRunning)) {}

bool InstallCheck::Run(const std::vector<CheckedFile>& files,
                       const std::function<void(size_t, bool)>& onChecked) const {
    SharedCheck check(files, keepRunning_);
    if (files.size() > 1)
        check.StartReaders(unsigned(std::min<size_t>(readers_, files.size())) - 1);
    // Between its own files the calling thread hands over every outcome that
    // is ready, in list order; with nothing left to take it waits for the
    // other readers.
    for (size_t next = 0; next < files.size();) {
        if (keepRunning_ && !keepRunning_()) return false;
        const Outcome outcome = check.OutcomeOf(next);
        if (outcome == kStopped) return false;
        if (outcome != kPending) {
            onChecked(next, outcome == kMatches);
            ++next;
        } else if (!check.CheckNext()) {
            check.WaitForOutcome();
        }
    }
    return true;
}

bool EqualIgnoringHexCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'F') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'F') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

bool LocalFileMatches(const std::string& path, int32_t size, const std::string& md5,
                      bool ignoreHexCase, const std::function<bool()>& keepRunning) {
    FileHandle file(OpenChecked(path));
    if (!file.Valid() || size < 0) return false;
    uint64_t length = 0;
    const std::string hex = DigestUpTo(file.Get(), uint64_t(size), keepRunning, &length);
    if (hex.empty() || length != uint64_t(size)) return false;
    return ignoreHexCase ? EqualIgnoringHexCase(hex, md5) : hex == md5;
}
