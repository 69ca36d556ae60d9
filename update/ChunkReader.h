#pragma once
// Reads one remote file in chunks sized to its link. A read waits until it
// is filled, so no read asks for much more than has arrived: reports and a
// stop follow the bytes as they come, even when a fast link slows down.
// Yet each read costs a round trip through the system, so a fast link needs
// large ones: a read takes what has arrived (as the connection counts it),
// and while reads fill at once, up to kMaxWaitFor bytes more.
#include "platform/InternetSession.h"

#include <memory>

class ChunkReader {
public:
    // Most bytes taken from the connection in one read.
    static const DWORD kChunkSize = 256 * 1024;
    // The most one read may wait for beyond what has arrived: should a fast
    // server slow down or stall mid-file, reports and a stop wait for at most
    // this much data (or the time-out).
    static const DWORD kMaxWaitFor = 32 * 1024;
    // A read done within this time filled at once; one taking four times as
    // long had to wait.
    static constexpr double kFastReadSeconds = 0.002;
    // While the count of arrived bytes says no more than a read may wait for
    // anyway, it costs a call for nothing (some systems count only a small
    // buffer of their own), so it is asked only every this many reads.
    static const unsigned kAskEvery = 16;

    explicit ChunkReader(platform::InternetFile& file);
    ChunkReader(const ChunkReader&) = delete;
    ChunkReader& operator=(const ChunkReader&) = delete;

    // Reads the next chunk into Data(); *got = 0 at the end. False on any
    // failure, a receive time-out included.
    bool Next(DWORD* got, platform::InternetError* error);
    const char* Data() const { return chunk_.get(); }
    // Whether the last read had to wait: the link is slow for now.
    bool Waited() const { return waited_; }

private:
    void Completed(DWORD bytes, double seconds);
    double Now() const;

    platform::InternetFile& file_;
    std::unique_ptr<char[]> chunk_;
    DWORD waitFor_ = 0;           // bytes not yet arrived the next read may wait for
    bool countHelps_ = true;      // the last count of arrived bytes exceeded kMaxWaitFor
    unsigned sinceCounted_ = 0;   // reads since the count was last asked
    bool waited_ = false;
    double ticksPerSecond_ = 1;
};
