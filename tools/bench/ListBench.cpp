// Reading lists from outside, per MB, for every shape a server or a skin
// could give one, each at two sizes:
//  - update lists through UpdateListReader::Read (the file read, the markup
//    check, the XML library's parse and the walk that makes the entries);
//  - resource lists through ResourceManager::LoadResourceList (the engine's
//    XML document object and the registration of what the list names);
//  - animation scripts through ResourceManager::LoadAnimationScript.
// A read whose cost grows only in proportion to its list keeps its time per
// MB from the smaller size to the larger one: "growth" is that ratio (1.0
// when linear, 7.5 or 8 for a cost in the square of the size; caches and a
// busy machine move a linear one by up to about 2). The reference, measured in
// the same run on the same bytes, is the MD5 of the list file
// (Md5Digest::FileMd5Hex), a plain pass the update task makes over every
// list it reads.
#include "engine/resources/Animation.h"
#include "engine/resources/ResourceManager.h"
#include "update/UpdateList.h"
#include "update/support/Md5Digest.h"

#include "tools/bench/Bench.h"
#include "tools/bench/BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Sizes in MB: an update list may hold 16 MiB; the engine's lists have no
// such bound, and are measured past the sizes caches hold.
struct Sizes {
    size_t small, large;
};
const Sizes kUpdateSizes = {2, 15};
const Sizes kEngineSizes = {4, 32};
const int kRounds = 3;
const char kDigest[] = "0123456789abcdef0123456789abcdef";

// Repeats `unit(i)` until the text holds at least `bytes`.
template <typename Unit>
std::string Repeat(size_t bytes, const std::string& head, const std::string& tail, Unit unit) {
    std::string text = head;
    for (size_t i = 0; text.size() + tail.size() < bytes; ++i) text += unit(i);
    return text + tail;
}

std::string Number(size_t i) { return std::to_string(i); }

std::string FileElement(const std::string& name) {
    return "<File Name=\"" + name + "\" Size=\"123456\" ZipSize=\"65432\" MD5=\"" + kDigest +
           "\"/>";
}

// ---------------------------------------------------------------- shapes --

using Maker = std::string (*)(size_t bytes);

struct Shape {
    const char* name;
    Maker make;
};

// A real list: folders of a hundred files each.
std::string RealUpdateList(size_t bytes) {
    return Repeat(bytes,
                  "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<Game Name=\"Game\">"
                  "<Directory Name=\"Game\">",
                  "</Directory></Game>", [](size_t i) {
                      std::string folder = "<Directory Name=\"data" + Number(i) + "\">";
                      for (int f = 0; f < 100; ++f)
                          folder += "\n  " + FileElement("file" + Number(f) + ".dat");
                      return folder + "</Directory>\n";
                  });
}

// ' a000123=""': eleven bytes each.
std::string PaddedAttribute(size_t i) {
    char text[24];
    std::snprintf(text, sizeof text, " a%06lu=\"\"", (unsigned long)i);
    return text;
}

std::string ManyAttributes(size_t bytes) {
    return Repeat(bytes, "<L", "><Directory Name=\"G\"><File Name=\"f\"/></Directory></L>",
                  &PaddedAttribute);
}

std::string ManyFiles(size_t bytes) {
    return Repeat(bytes, "<L><Directory Name=\"G\">", "</Directory></L>",
                  [](size_t i) { return FileElement("f" + Number(i)); });
}

std::string ManyFilesOfOneName(size_t bytes) {
    return Repeat(bytes, "<L><Directory Name=\"G\">", "</Directory></L>",
                  [](size_t) { return FileElement("same.dat"); });
}

std::string ManyDirectories(size_t bytes) {
    return Repeat(bytes, "<L><Directory Name=\"G\">", "</Directory></L>", [](size_t i) {
        return "<Directory Name=\"d" + Number(i) + "\"><File Name=\"f\"/></Directory>";
    });
}

// `inner` within `levels` elements.
std::string Nest(int levels, const std::string& open, const std::string& close,
                 const std::string& inner) {
    std::string opens, closes;
    for (int level = 0; level < levels; ++level) {
        opens += open;
        closes += close;
    }
    return opens + inner + closes;
}

// Directories 60 deep, again and again.
std::string DeepDirectories(size_t bytes) {
    return Repeat(bytes, "<L><Directory Name=\"G\">", "</Directory></L>", [](size_t) {
        return Nest(60, "<Directory Name=\"d\">", "</Directory>", "<File Name=\"f\"/>");
    });
}

// Elements as deep as a list may nest, then many inside the deepest: the
// XML library walks up to the document from each new node.
std::string DeepThenMany(size_t bytes) {
    return Repeat(
        bytes, "<L><Directory Name=\"G\"><File Name=\"f\"/></Directory>" + Nest(250, "<a>", "", ""),
        Nest(250, "", "</a>", "") + "</L>", [](size_t) { return "<b/>"; });
}

// A folder with a long name holding many files: each file's path names it.
std::string LongFolderName(size_t bytes) {
    return Repeat(
        bytes, "<L><Directory Name=\"G\"><Directory Name=\"" + std::string(bytes / 2, 'n') + "\">",
        "</Directory></Directory></L>", [](size_t) { return "<File Name=\"a\"/>"; });
}

std::string LongValues(size_t bytes) {
    return Repeat(bytes, "<L><Directory Name=\"G\">", "</Directory></L>", [](size_t i) {
        return "<File Name=\"f" + Number(i) + "\" MD5=\"" + std::string(64 * 1024, 'm') + "\"/>";
    });
}

std::string Entities(size_t bytes) {
    return Repeat(bytes, "<L Name=\"",
                  "\"><Directory Name=\"G\"><File Name=\"f\"/></Directory></L>",
                  [](size_t) { return "&amp;&#x41;&#66;&lt;"; });
}

std::string TextAndComments(size_t bytes) {
    return Repeat(bytes, "<L><Directory Name=\"G\">", "</Directory></L>", [](size_t i) {
        return "<File Name=\"f" + Number(i) +
               "\">text &amp; more</File><!-- a comment -->"
               "<![CDATA[<x>]]>";
    });
}

const Shape kUpdateShapes[] = {
    {"real list (reference)", &RealUpdateList},
    {"attributes of one element", &ManyAttributes},
    {"files in one folder", &ManyFiles},
    {"files of one name", &ManyFilesOfOneName},
    {"folders", &ManyDirectories},
    {"folders 60 deep", &DeepDirectories},
    {"elements 250 deep, then many", &DeepThenMany},
    {"long folder name", &LongFolderName},
    {"long values", &LongValues},
    {"entities", &Entities},
    {"text, comments, CDATA", &TextAndComments},
};

std::string ResourceEntry(const char* kind, size_t i) {
    return std::string("<") + kind + " filename=\"pic" + Number(i) + ".tga\" resname=\"pic" +
           Number(i) + "\"/>";
}

std::string RealResourceList(size_t bytes) {
    return Repeat(
        bytes, "<?xml version=\"1.0\"?>\n<resources name=\"skin\">", "</resources>",
        [](size_t i) { return "\n  " + ResourceEntry(i % 2 ? "texture" : "resource", i); });
}

std::string ResourceAttributes(size_t bytes) {
    return Repeat(bytes, "<resources name=\"skin\"><texture",
                  " filename=\"a\" resname=\"b\"/></resources>",
                  [](size_t i) { return " a" + Number(i) + "=\"\""; });
}

std::string ResourceNamespaces(size_t bytes) {
    return Repeat(bytes, "", "", [](size_t i) {
        return "<resources name=\"n" + Number(i) + "\">" + ResourceEntry("texture", 0) +
               "</resources>";
    });
}

std::string ResourcesOfOneName(size_t bytes) {
    return Repeat(bytes, "<resources name=\"skin\">", "</resources>",
                  [](size_t) { return ResourceEntry("texture", 0); });
}

std::string ResourceUnknownElements(size_t bytes) {
    return Repeat(bytes, "<resources name=\"skin\">", ResourceEntry("stream", 0) + "</resources>",
                  [](size_t i) { return "<other n=\"" + Number(i) + "\"/>"; });
}

std::string ResourceDeepNesting(size_t bytes) {
    return Repeat(bytes, "<resources name=\"skin\">", "</resources>",
                  [](size_t) { return Nest(200, "<a>", "</a>", ""); });
}

std::string ResourceLongValues(size_t bytes) {
    return Repeat(bytes, "<resources name=\"skin\">", "</resources>", [](size_t i) {
        return "<texture filename=\"" + std::string(64 * 1024, 'f') + "\" resname=\"r" + Number(i) +
               "\"/>";
    });
}

std::string ResourceEntities(size_t bytes) {
    return Repeat(bytes, "<resources name=\"skin\"><texture filename=\"",
                  "\" resname=\"r\"/></resources>", [](size_t) { return "&amp;&#x41;&#66;&lt;"; });
}

const Shape kResourceShapes[] = {
    {"real list (reference)", &RealResourceList},
    {"attributes of one element", &ResourceAttributes},
    {"namespaces", &ResourceNamespaces},
    {"resources of one name", &ResourcesOfOneName},
    {"unknown elements", &ResourceUnknownElements},
    {"elements 200 deep", &ResourceDeepNesting},
    {"long values", &ResourceLongValues},
    {"entities", &ResourceEntities},
};

std::string Frame(size_t i) {
    return "<aniframe keyword=\"k" + Number(i) +
           "\" delaytime=\"40\" offset=\"1, 2\" texture=\"skin.frames\" alpha=\"255\" "
           "rectangle=\"0, 0, 32, 32\"/>";
}

std::string RealAnimation(size_t bytes) {
    return Repeat(bytes, "<animation size=\"32, 32\" clip=\"0\">", "</animation>",
                  [](size_t i) { return "\n  " + Frame(i); });
}

// Every lookup of a frame's attributes passes over all of them.
std::string FrameAttributes(size_t bytes) {
    return Repeat(bytes, "<animation size=\"32, 32\"><aniframe", "/></animation>",
                  [](size_t i) { return " a" + Number(i) + "=\"\""; });
}

std::string LongFrameValues(size_t bytes) {
    return Repeat(bytes, "<animation size=\"32, 32\">", "</animation>", [](size_t) {
        return "<aniframe offset=\"" + std::string(64 * 1024, '7') + "\" rectangle=\"" +
               std::string(64 * 1024, ',') + "\"/>";
    });
}

const Shape kAnimationShapes[] = {
    {"real script (reference)", &RealAnimation},
    {"attributes of one frame", &FrameAttributes},
    {"long values", &LongFrameValues},
};

// -------------------------------------------------------------- readers --

struct Figure {
    double readSeconds = -1;
    double md5Seconds = -1;
    double megabytes = 0;
    std::string outcome;
};

// Writes the list, times `read` once (it says what came of it) and the MD5
// of the same file.
template <typename Read>
Figure Measure(const std::string& path, const std::string& bytes, Read read) {
    Figure figure;
    figure.megabytes = double(bytes.size()) / double(1 << 20);
    if (!bench::WriteBytes(path, bytes)) return figure;
    figure.readSeconds = bench::BestSeconds(1, [&] { figure.outcome = read(); });
    Md5Digest md5;
    figure.md5Seconds = bench::BestSeconds(1, [&] { md5.FileMd5Hex(path); });
    DeleteFileA(path.c_str());
    return figure;
}

std::string UpdateOutcome(const UpdateListReader& reader, UpdateListReader::Result result) {
    switch (result) {
    case UpdateListReader::kRead: return "read, " + Number(reader.Entries().size()) + " files";
    case UpdateListReader::kCannotLoad: return "not XML";
    case UpdateListReader::kNoTopDirectory: return "no top directory";
    case UpdateListReader::kEmptyTopDirectory: return "empty";
    case UpdateListReader::kUnsafeName: return "unsafe name";
    case UpdateListReader::kTooDeep: return "too deep";
    case UpdateListReader::kTooManyAttributes: return "too many attributes";
    }
    return "refused";
}

Figure MeasureUpdateList(const std::string& path, const std::string& bytes) {
    return Measure(path, bytes, [&]() -> std::string {
        // The update task's worker catches what a read throws (memory running out).
        try {
            UpdateListReader reader(false);
            const UpdateListReader::Result result = reader.Read(path);
            return UpdateOutcome(reader, result);
        } catch (...) {
            return "threw";
        }
    });
}

Figure MeasureResourceList(const std::string& path, const std::string& bytes) {
    return Measure(path, bytes, [&] {
        ResourceManager* manager = ResourceManager::Instance();
        const int loaded = manager ? manager->LoadResourceList(path.c_str(), 0, nullptr, 1) : 0;
        ResourceManager::Release();
        return loaded ? "loaded" : "refused";
    });
}

Figure MeasureAnimationScript(const std::string& path, const std::string& bytes) {
    return Measure(path, bytes, [&] {
        ResourceManager* manager = ResourceManager::Instance();
        IAnimation* animation = manager ? manager->LoadAnimationScript("bench", bytes.data(),
                                                                       uint32_t(bytes.size()))
                                        : nullptr;
        const std::string outcome = animation
                                        ? Number(size_t(animation->GetFrameCount())) + " frames"
                                        : "refused";
        delete animation;
        ResourceManager::Release();
        return outcome;
    });
}

double MsPerMegabyte(const Figure& f, double seconds) { return seconds * 1000.0 / f.megabytes; }

void PrintShape(const char* name, const Figure& small, const Figure& large, double referenceMs) {
    if (small.readSeconds < 0 || large.readSeconds < 0) {
        std::printf("  %-28s  FAILED (can't write the list)\n", name);
        return;
    }
    const double smallMs = MsPerMegabyte(small, small.readSeconds);
    const double largeMs = MsPerMegabyte(large, large.readSeconds);
    const double md5Ms = MsPerMegabyte(large, large.md5Seconds);
    std::printf("  %-28s %8.2f %8.2f ms/MB  growth %5.2f  ratio to md5 %6.2f", name, smallMs,
                largeMs, largeMs / smallMs, largeMs / md5Ms);
    if (referenceMs > 0) std::printf("  to a real list %5.2f", largeMs / referenceMs);
    std::printf("  (%s)\n", large.outcome.c_str());
}

// The faster of two figures of the same list, each time on its own.
Figure Best(const Figure& a, const Figure& b) {
    if (a.readSeconds < 0) return b;
    Figure best = b.readSeconds >= 0 && b.readSeconds < a.readSeconds ? b : a;
    if (b.md5Seconds >= 0 && b.md5Seconds < best.md5Seconds) best.md5Seconds = b.md5Seconds;
    return best;
}

// The two sizes of a shape take turns, round after round, so that a machine
// busy for a while slows both alike.
template <typename Measure, size_t N>
void RunShapes(const Shape (&shapes)[N], const Sizes& sizes, const std::string& path,
               Measure measure) {
    std::printf("  %-28s %8s %8s (%lu MB and %lu MB; growth target < 3)\n", "shape", "small",
                "large", (unsigned long)sizes.small, (unsigned long)sizes.large);
    double referenceMs = -1;
    for (const Shape& shape : shapes) {
        const std::string smallText = shape.make(sizes.small << 20);
        const std::string largeText = shape.make(sizes.large << 20);
        Figure small, large;
        for (int round = 0; round < kRounds; ++round) {
            small = Best(small, measure(path, smallText));
            large = Best(large, measure(path, largeText));
        }
        PrintShape(shape.name, small, large, referenceMs);
        if (referenceMs < 0 && large.readSeconds > 0)
            referenceMs = MsPerMegabyte(large, large.readSeconds);
        std::fflush(stdout);
    }
}

}   // namespace

void RunListBench() {
    char temp[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, temp)) return;
    const std::string folder = std::string(temp) + "fetchpane_list_bench_" +
                               std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    std::printf("update lists, read per MB (best of %d)\n", kRounds);
    RunShapes(kUpdateShapes, kUpdateSizes, folder + "\\list.xml", &MeasureUpdateList);
    // The list of 200,000 attributes on its root that once kept a worker
    // busy for minutes.
    std::string wide = "<L";
    for (size_t i = 0; i < 200000; ++i) wide += PaddedAttribute(i);
    wide += "><Directory Name=\"G\"><File Name=\"f\"/></Directory></L>";
    Figure figure;
    for (int round = 0; round < kRounds; ++round)
        figure = Best(figure, MeasureUpdateList(folder + "\\list.xml", wide));
    std::printf("  %-28s %8.1f ms for %lu bytes  (%s)\n", "200,000 attributes",
                figure.readSeconds * 1000, (unsigned long)wide.size(), figure.outcome.c_str());
    std::printf("resource lists, loaded per MB (best of %d)\n", kRounds);
    RunShapes(kResourceShapes, kEngineSizes, folder + "\\list.xml", &MeasureResourceList);
    std::printf("animation scripts, loaded per MB (best of %d)\n", kRounds);
    RunShapes(kAnimationShapes, kEngineSizes, folder + "\\script.xml", &MeasureAnimationScript);
    RemoveDirectoryA(folder.c_str());
}
