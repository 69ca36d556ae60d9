#include "Mutator.h"

#include <algorithm>
#include <utility>

namespace hostile {

namespace {

const char kEdgeBytes[] = {0,   1,   0x7F, char(0x80), char(0xFF), '\\',      '/',
                           '<', '>', '"',  '=',        '&',        '[',       ']',
                           ';', ' ', '\r', '\n',       char(0xB0), char(0x5C)};

const uint32_t kEdgeIntegers[] = {0,           1,           0x7F,       0x80,
                                  0xFF,        0xFFFF,      0x7FFFFFFF, 0x80000000u,
                                  0xFFFFFFFFu, 0xFFFFFFFEu, 0x10000,    0x40000000};

}   // namespace

Mutator::Mutator(uint32_t seed, std::vector<std::string> samples, std::vector<std::string> tokens)
    : state_(seed * 0x9E3779B97F4A7C15ull + 1),
      samples_(std::move(samples)),
      tokens_(std::move(tokens)) {
    // Numbers in text are as hostile as they are in binary headers.
    for (const char* number : {"-1", "0", "2147483647", "2147483648", "-2147483649", "4294967296",
                               "99999999999999999999", "1e308", "0x7FFFFFFF"})
        tokens_.push_back(number);
}

// splitmix64: the same stream from the same seed on every compiler.
uint32_t Mutator::Below(uint32_t n) {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return n ? uint32_t(z % n) : 0;
}

std::string Mutator::Next() {
    std::string bytes = samples_[Below(uint32_t(samples_.size()))];
    // Half the mutants carry one damage, so that many get deep into the
    // parser; the rest stack two to four.
    for (uint32_t damages = Below(2) ? 1 : 2 + Below(3); damages; --damages) Damage(bytes);
    if (bytes.size() > kMaxBytes) bytes.resize(kMaxBytes);
    return bytes;
}

void Mutator::Damage(std::string& bytes) {
    const uint32_t size = uint32_t(bytes.size());
    // Headers sit at the front: most damages of a single byte land there.
    const uint32_t at = Below(4) ? Below(std::min<uint32_t>(size, 64)) : Below(size);
    switch (Below(10)) {
    case 0:
        if (size) bytes[at] ^= char(1u << Below(8));
        break;
    case 1:
        if (size) bytes[at] = kEdgeBytes[Below(sizeof kEdgeBytes)];
        break;
    case 2: bytes.resize(Below(size + 1)); break;
    case 3: bytes.erase(Below(size + 1), Below(64) + 1); break;
    case 4: {
        const uint32_t from = Below(size + 1);
        bytes.insert(from, bytes.substr(from, Below(256) + 1));
        break;
    }
    case 5: RepeatSpan(bytes); break;
    case 6:
    case 7: bytes.insert(Below(size + 1), tokens_[Below(uint32_t(tokens_.size()))]); break;
    case 8: PutInteger(bytes); break;
    default: Splice(bytes); break;
    }
}

// A span (or a token) repeated until the input grows by up to 64 KB: the
// shape that makes a parser's cost grow faster than its input.
void Mutator::RepeatSpan(std::string& bytes) {
    std::string span;
    if (bytes.empty() || Below(2)) {
        span = tokens_[Below(uint32_t(tokens_.size()))];
    } else {
        const uint32_t from = Below(uint32_t(bytes.size()));
        span = bytes.substr(from, Below(48) + 1);
    }
    if (span.empty()) return;
    const size_t times = std::min<size_t>(Below(4000) + 2, 64 * 1024 / span.size() + 1);
    std::string repeated;
    repeated.reserve(span.size() * times);
    for (size_t i = 0; i < times; ++i) repeated += span;
    bytes.insert(Below(uint32_t(bytes.size()) + 1), repeated);
}

void Mutator::PutInteger(std::string& bytes) {
    if (bytes.size() < 4) return;
    uint32_t value = kEdgeIntegers[Below(sizeof kEdgeIntegers / sizeof kEdgeIntegers[0])];
    if (Below(4) == 0) value = value + Below(16) - 8;
    const bool bigEndian = Below(2);
    const uint32_t at = Below(4) ? Below(uint32_t(std::min<size_t>(bytes.size() - 3, 64)))
                                 : Below(uint32_t(bytes.size() - 3));
    for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (bigEndian ? 24 - 8 * i : 8 * i));
}

void Mutator::Splice(std::string& bytes) {
    const std::string& other = samples_[Below(uint32_t(samples_.size()))];
    const uint32_t from = Below(uint32_t(other.size()) + 1);
    const std::string piece = other.substr(from, Below(512) + 1);
    const uint32_t at = Below(uint32_t(bytes.size()) + 1);
    bytes.replace(at, Below(512), piece);
}

}   // namespace hostile
