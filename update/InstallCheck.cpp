#include "update/InstallCheck.h"

#include "update/support/FileHandle.h"
#include "update/support/Md5Digest.h"

#include <windows.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <memory>

namespace {

// The digest of the whole file when it holds exactly `size` bytes, else "".
// The length is found by reading, not asked for: under wine every size query
// is one more round trip, which costs as much as reading a small file.
std::string DigestIfSized(HANDLE file, uint64_t size, const std::function<bool()>& keepRunning) {
    const DWORD kChunk = 64 * 1024;
    unsigned char
        chunk[kChunk];   // on the stack: a fresh large block per file costs more than its reads
    Md5Context context;
    Md5Digest::Init(&context);
    // Asking for one byte more than the listed size remains shows a longer
    // file; a read that returns less than asked has reached the end (a short
    // read anywhere else only makes the file count as changed).
    uint64_t total = 0;
    for (;;) {
        const uint64_t remains = size - total + 1;
        const DWORD want = remains < kChunk ? DWORD(remains) : kChunk;
        DWORD got = 0;
        if (keepRunning && !keepRunning()) return std::string();
        if (!ReadFile(file, chunk, want, &got, nullptr)) return std::string();
        total += got;
        if (total > size) return std::string();   // longer than listed
        Md5Digest::Update(&context, chunk, got);
        if (got < want) break;
    }
    if (total != size) return std::string();
    unsigned char digest[16];
    Md5Digest::Final(digest, &context);
    return Md5Digest::ToHex(digest);
}

// A reader's stack holds its 64 KB block.
const unsigned kReaderStackBytes = 256 * 1024;
// How long the calling thread waits for another reader's outcome before it
// asks keep-running again.
const DWORD kOutcomeWaitMs = 50;

enum Outcome : uint8_t { kPending, kMatches, kDiffers, kStopped };

// What the readers of one check share: the list, the next file nobody has
// taken, and each file's outcome. The readers besides the calling thread are
// started here and joined by the destructor, so none outlives the check,
// whichever way it ends.
class SharedCheck {
public:
    SharedCheck(const std::vector<CheckedFile>& files, const std::function<bool()>& keepRunning)
        : files_(files),
          keepRunning_(keepRunning),
          outcomes_(new std::atomic<uint8_t>[files.size()]),
          ready_(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
        for (size_t i = 0; i < files.size(); ++i) outcomes_[i].store(kPending);
    }
    ~SharedCheck();
    SharedCheck(const SharedCheck&) = delete;
    SharedCheck& operator=(const SharedCheck&) = delete;

    // Starts up to `count` more readers; fewer when the system has none to give.
    void StartReaders(unsigned count);
    // Checks the next file nobody has taken; false when none is left or the
    // check is no longer wanted.
    bool CheckNext();
    Outcome OutcomeOf(size_t index) const {
        return Outcome(outcomes_[index].load(std::memory_order_acquire));
    }
    // Returns once some reader stored an outcome, or after a short while.
    void WaitForOutcome() const { WaitForSingleObject(ready_, kOutcomeWaitMs); }

private:
    static unsigned __stdcall ReaderEntry(void* self);
    bool Wanted() const {
        return !quit_.load(std::memory_order_acquire) && (!keepRunning_ || keepRunning_());
    }

    const std::vector<CheckedFile>& files_;
    const std::function<bool()>& keepRunning_;
    const std::function<bool()> wanted_{[this] { return Wanted(); }};
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
    size_t index = nextFile_.load(std::memory_order_relaxed);
    do {
        if (index >= files_.size() || !Wanted()) return false;
    } while (!nextFile_.compare_exchange_weak(index, index + 1, std::memory_order_relaxed));

    // Every file taken gets an outcome, or the calling thread would wait for
    // it for ever: one that can't be compared counts as changed.
    Outcome outcome = kDiffers;
    try {
        const CheckedFile& file = files_[index];
        if (!file.path.empty() && LocalFileMatches(file.path, file.size, file.md5, false, wanted_))
            outcome = kMatches;
    } catch (...) {
    }
    if (outcome == kDiffers && !Wanted()) outcome = kStopped;   // cut short, not compared
    outcomes_[index].store(outcome, std::memory_order_release);
    SetEvent(ready_);
    return true;
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
    // One open serves presence, size and digest: opening a file is the
    // costly part of checking many small ones. Sharing write and delete, a
    // file another program holds open for writing is still compared.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid() || size < 0) return false;
    const std::string hex = DigestIfSized(file.Get(), uint64_t(size), keepRunning);
    if (hex.empty()) return false;
    return ignoreHexCase ? EqualIgnoringHexCase(hex, md5) : hex == md5;
}
