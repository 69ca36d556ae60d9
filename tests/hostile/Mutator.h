#pragma once
// Hostile inputs made from valid samples: a seeded, reproducible stream of
// mutants, each the sample with one to four damages stacked (bits flipped,
// bytes set to edge values, cuts, spans dropped, doubled or repeated many
// times, tokens of the format put in, integers overwritten, spans spliced in
// from another sample). The same seed gives the same inputs on every build.
#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

class Mutator {
public:
    // `samples` must not be empty; `tokens` are pieces of the format (markup,
    // keywords, separators) that damages put in.
    Mutator(uint32_t seed, std::vector<std::string> samples, std::vector<std::string> tokens);

    std::string Next();

    // No mutant grows past this, however its damages stack.
    static const size_t kMaxBytes = 256 * 1024;

private:
    uint32_t Below(uint32_t n);   // 0 .. n-1 (0 for n == 0)
    void Damage(std::string& bytes);
    void RepeatSpan(std::string& bytes);
    void PutInteger(std::string& bytes);
    void Splice(std::string& bytes);

    uint64_t state_;
    std::vector<std::string> samples_;
    std::vector<std::string> tokens_;
};

}   // namespace hostile
