#include "update/ChunkReader.h"

ChunkReader::ChunkReader(platform::InternetFile& file) : file_(file), chunk_(new char[kChunkSize]) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond_ = double(frequency.QuadPart);
}

double ChunkReader::Now() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / ticksPerSecond_;
}

bool ChunkReader::Next(DWORD* got, platform::InternetError* error) {
    *got = 0;
    const double start = Now();
    // The count is asked while the link has not proved fast (it is then all
    // a read takes), and while it tells more than a read may wait for.
    DWORD arrived = 0;
    if (waitFor_ < kMaxWaitFor || countHelps_ || ++sinceCounted_ >= kAskEvery) {
        if (!file_.QueryAvailable(&arrived, error)) return false;
        countHelps_ = arrived > kMaxWaitFor;
        sinceCounted_ = 0;
    }
    // With nothing known to have arrived and nothing to wait for, a small
    // read waits for the next bytes, or finds the end.
    const DWORD kProbe = 1024;
    const DWORD waitFor = waitFor_ ? waitFor_ : (arrived ? 0 : kProbe);
    DWORD request = arrived < kChunkSize ? arrived : kChunkSize;
    request += waitFor < kChunkSize - request ? waitFor : kChunkSize - request;
    if (!file_.Read(chunk_.get(), request, got, error)) return false;
    Completed(*got, Now() - start);
    return true;
}

void ChunkReader::Completed(DWORD bytes, double seconds) {
    // A read that filled at once shows the link keeps up: the next may wait
    // for twice as much (up to the bound). One that had to wait goes back to
    // taking only what has arrived.
    waited_ = false;
    if (seconds < kFastReadSeconds && bytes >= 4096) {
        const DWORD grown = waitFor_ ? waitFor_ * 2 : 4096;
        waitFor_ = grown < kMaxWaitFor ? grown : kMaxWaitFor;
    } else if (seconds > kFastReadSeconds * 4) {
        waitFor_ = 0;
        waited_ = true;
    }
}
