#pragma once
// One kind of hostile input fed to its parser: the hand-made inputs first,
// then a seeded stream of mutants of the kind's valid samples, each run
// under the input watch (InputWatch.h).
#include "Mutator.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace hostile {

struct HandMade {
    const char* name;
    std::string bytes;
};

struct InputKind {
    const char* name;
    uint32_t seed;
    size_t mutants;
    std::vector<std::string> samples;   // each must be taken whole by the parser
    std::vector<std::string> tokens;
    std::vector<HandMade> handMade;
    size_t maxBytes = Mutator::kMaxBytes;
    // Applied to every other mutant (a checksum put right, say), so that
    // damage reaches the parser behind the check.
    std::function<void(std::string&)> fixUp;
};

// What a target throws when the parser's outcome is wrong for any input
// (it wrote beside its folder, say), told with the input that caused it.
struct Fault {
    std::string what;
};

// Runs the parser on one input; true when it took the input as valid.
using Target = std::function<bool(const std::string&)>;

// Fails the test for every input that broke a bound, met a Fault or escaped
// an exception
// (the first few are told) and for a sample the parser refused; records how
// many mutants were taken as valid.
void Feed(const InputKind& kind, const Target& target);

// The bytes of a file, "" when it can't be read.
std::string FileBytes(const std::string& path);

std::string Repeated(const std::string& piece, size_t times);

// Attributes of distinct names: the shape whose duplicate search grows with
// the square of their count.
std::string ManyAttributes(int count);

// A zip archive whose every entry claims `size` unpacked bytes, in its local
// and its central header, whatever its data holds.
std::string ClaimingUnpackedSize(std::string zip, uint32_t size);

// Markup that damage to any XML document puts in, with `more` of its kind.
std::vector<std::string> MarkupTokens(std::initializer_list<const char*> more);

// Zip signatures and other pieces that damage to an archive puts in.
std::vector<std::string> ZipTokens();

}   // namespace hostile
