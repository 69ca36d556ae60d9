#include "HostileFeed.h"

#include "InputWatch.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <exception>

namespace hostile {

namespace {

const int kToldFailures = 8;

// "" when the input ran within every bound.
std::string RunOne(const InputKind& kind, const std::string& label, const std::string& bytes,
                   const Target& target, bool* taken) {
    BeginInput(kind.name, kind.seed, label, bytes);
    std::string thrown;
    try {
        *taken = target(bytes);
    } catch (const Fault& fault) {
        thrown = fault.what;
    } catch (const std::exception& e) {
        thrown = std::string("escaped a C++ exception (") + e.what() + ")";
    } catch (...) {
        thrown = "escaped a C++ exception";
    }
    const std::string broke = EndInput();
    return thrown.empty() ? broke : thrown + (broke.empty() ? "" : "; " + broke);
}

}   // namespace

void Feed(const InputKind& kind, const Target& target) {
    ASSERT_TRUE(StartWatch()) << "the allocator's imports were not found";
    ASSERT_FALSE(kind.samples.empty());
    int failures = 0;
    auto check = [&](const std::string& label, const std::string& bytes, bool* taken) {
        const std::string broke = RunOne(kind, label, bytes, target, taken);
        if (!broke.empty() && ++failures <= kToldFailures) ADD_FAILURE() << broke;
    };
    for (size_t i = 0; i < kind.samples.size(); ++i) {
        bool taken = false;
        check("sample " + std::to_string(i), kind.samples[i], &taken);
        EXPECT_TRUE(taken) << kind.name << ": sample " << i << " must be taken whole";
    }
    for (const HandMade& input : kind.handMade) {
        bool taken = false;
        check(std::string("hand-made '") + input.name + "'", input.bytes, &taken);
    }
    Mutator mutator(kind.seed, kind.samples, kind.tokens);
    size_t taken = 0;
    for (size_t i = 0; i < kind.mutants; ++i) {
        std::string bytes = mutator.Next();
        if (bytes.size() > kind.maxBytes) bytes.resize(kind.maxBytes);
        if (kind.fixUp && i % 2) kind.fixUp(bytes);
        bool ok = false;
        check("mutant " + std::to_string(i), bytes, &ok);
        taken += ok;
    }
    EXPECT_LE(failures, 0) << kind.name << ": " << failures << " inputs broke a bound";
    ::testing::Test::RecordProperty("mutants_taken", int(taken));
    std::printf("%s: %zu hand-made inputs, %zu mutants, %zu taken as valid\n", kind.name,
                kind.handMade.size(), kind.mutants, taken);
}

std::string FileBytes(const std::string& path) {
    std::string bytes;
    return testsupport::ReadWholeFile(path, &bytes) ? bytes : std::string();
}

std::string Repeated(const std::string& piece, size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i) out += piece;
    return out;
}

std::string ManyAttributes(int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += " a" + std::to_string(i) + "=\"\"";
    return out;
}

std::string ClaimingUnpackedSize(std::string zip, uint32_t size) {
    auto put = [&](const char* signature, size_t offset) {
        for (size_t at = zip.find(signature, 0, 4);
             at != std::string::npos && at + offset + 4 <= zip.size();
             at = zip.find(signature, at + 4, 4))
            for (int i = 0; i < 4; ++i) zip[at + offset + i] = char(size >> 8 * i);
    };
    put("PK\x03\x04", 22);
    put("PK\x01\x02", 24);
    return zip;
}

std::vector<std::string> MarkupTokens(std::initializer_list<const char*> more) {
    std::vector<std::string> tokens = {"<",
                                       ">",
                                       "</",
                                       "/>",
                                       "=\"",
                                       "\"",
                                       "'",
                                       "<?xml version=\"1.0\" encoding=\"GB2312\"?>",
                                       "<?xml ",
                                       "?>",
                                       "<!--",
                                       "-->",
                                       "<![CDATA[",
                                       "]]>",
                                       "<!DOCTYPE a [<!ENTITY e \"x\">]>",
                                       "&amp;",
                                       "&#65;",
                                       "&#x10FFFF;",
                                       "&#",
                                       "&e;",
                                       "\xB0",
                                       "\xB0\x5C",
                                       "\r\n",
                                       "\t",
                                       "\xEF\xBB\xBF"};
    tokens.insert(tokens.end(), more.begin(), more.end());
    return tokens;
}

std::vector<std::string> ZipTokens() {
    return {std::string("PK\x03\x04", 4),
            std::string("PK\x01\x02", 4),
            std::string("PK\x05\x06", 4),
            std::string("PK\x06\x06", 4),
            std::string("PK\x06\x07", 4),
            std::string("PK\x07\x08", 4),
            std::string("\xFF\xFF\xFF\xFF", 4),
            std::string("\0\0\0\0", 4),
            "../",
            "..\\",
            "C:\\",
            "/",
            std::string(300, 'n')};
}

}   // namespace hostile
