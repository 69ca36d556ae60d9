// IniFile: reading a file, writing it back and reading it again, for files
// of many keys in one section, many sections, and the same name given again
// in other cases, each at three sizes. A cost in proportion to the file
// keeps its time per entry from the smallest size to the largest ("growth":
// 1.0 when linear, 8 for a cost in the square of the size). The reference,
// in the same run on the same file: reading its bytes whole and writing them
// to a new file.
#include "update/support/IniFile.h"

#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Keys or sections; the first two are the sizes once measured at 32 and 101 s.
const int kSizes[] = {25000, 50000, 200000};
const int kRounds = 3;

using Maker = std::string (*)(int entries);

std::string Padded(int i) {
    char text[16];
    std::snprintf(text, sizeof text, "%06d", i);
    return text;
}

std::string Keys(int lines) {
    std::string text = "[Settings]\r\n";
    for (int i = 0; i < lines; ++i) text += "key" + Padded(i) + "=value" + Padded(i) + "\r\n";
    return text;
}

std::string Sections(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) text += "[Section" + Padded(i) + "]\r\nkey=value\r\n";
    return text;
}

// One key given again and again in other cases: the first spelling stays,
// the last value wins.
std::string KeyCases(int lines) {
    std::string text = "[Settings]\r\n";
    for (int i = 0; i < lines; ++i) text += (i % 2 ? "KEY=" : "key=") + Padded(i) + "\r\n";
    return text;
}

// A section header given again: each is a record of its own; the keys go to
// the first.
std::string RepeatedSections(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += (i % 2 ? "[SECTION]\r\nk" : "[section]\r\nk") + Padded(i) + "=v\r\n";
    return text;
}

struct Shape {
    const char* name;
    Maker make;
};

const Shape kShapes[] = {
    {"keys in one section", &Keys},
    {"sections of one key", &Sections},
    {"one key in two cases", &KeyCases},
    {"one section in two cases", &RepeatedSections},
};

struct Figure {
    double seconds = -1;     // read, write, read
    double reference = -1;   // the bytes read and written
    bool same = false;       // the second read wrote back what the first wrote
};

Figure Measure(const std::string& path, const std::string& text) {
    Figure figure;
    std::string written;
    figure.seconds = bench::BestSeconds(kRounds, [&] {
        if (!bench::WriteBytes(path, text)) return;
        IniFile first(path);
        first.Read();
        first.Write();
        written = bench::ReadBytes(path);
        IniFile second(path);
        second.Read();
        second.Write();
    });
    figure.same = !written.empty() && bench::ReadBytes(path) == written;
    const std::string copy = path + ".copy";
    figure.reference = bench::BestSeconds(kRounds, [&] {
        bench::WriteBytes(copy, bench::ReadBytes(path));
        DeleteFileA(copy.c_str());
    });
    DeleteFileA(path.c_str());
    return figure;
}

}   // namespace

void RunIniBench() {
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return;
    const std::string path = std::string(temp) + "fetchpane_ini_bench_" +
                             std::to_string(GetCurrentProcessId()) + ".ini";
    std::printf("IniFile read, write and read again (best of %d), in seconds\n", kRounds);
    std::printf("  %-26s %8d %8d %8d entries  (growth target < 3)\n", "shape", kSizes[0], kSizes[1],
                kSizes[2]);
    for (const Shape& shape : kShapes) {
        Figure figures[3];
        bool complete = true, same = true;
        for (int i = 0; i < 3; ++i) {
            figures[i] = Measure(path, shape.make(kSizes[i]));
            complete = complete && figures[i].seconds >= 0;
            same = same && figures[i].same;
        }
        if (!complete) {
            std::printf("  %-26s  FAILED\n", shape.name);
            continue;
        }
        const double growth = (figures[2].seconds / kSizes[2]) / (figures[0].seconds / kSizes[0]);
        std::printf("  %-26s %8.3f %8.3f %8.3f  growth %5.2f  ratio to a copy %6.1f%s\n",
                    shape.name, figures[0].seconds, figures[1].seconds, figures[2].seconds, growth,
                    figures[2].seconds / figures[2].reference, same ? "" : "  ROUND TRIP DIFFERS");
        std::fflush(stdout);
    }
}
