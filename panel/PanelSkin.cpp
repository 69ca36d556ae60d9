#include "panel/PanelSkin.h"

#include "panel/PanelVariant.h"

#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "engine/resources/ResourceManager.h"
#include "engine/resources/ResourcePacks.h"
#include "update/support/FileUtils.h"

#include <atomic>
#include <cstdint>

namespace PanelSkin {

const char* const kListPath = PanelVariant::kSkinListPath;
const char* const kPackPath = PanelVariant::kSkinPackPath;
const char kPassword[] = "quorvelintaspek";

namespace {

// Set as loading starts and cleared only when the engine stops: a failed
// first load is not retried within one start.
std::atomic<bool> g_attempted{false};

const char kListInPack[] = "Index.xml";

// The full path under the work folder; "" when it would not fit.
void ResolvePath(const char* relative, char (&out)[MAX_PATH]) {
    out[0] = 0;
    Nuvex::MakeWorkPath(relative, out, MAX_PATH - 1);
}

// The list as the pack holds it. A file "Index.xml" in the root itself is
// read in its place (files on disk come before packs).
int LoadListFromPack() {
    uint32_t size = 0;
    void* list = Nuvex::LoadFile(kListInPack, &size, 0);
    const int loaded = list && Nuvex::LoadResourceList(list, size, kPassword, 0);
    if (list) Nuvex::FreeBuffer(list);
    if (!loaded) WriteLog(0, "Loading resources %s failure!", kPackPath);
    return loaded;
}

}   // namespace

int Load() {
    char listPath[MAX_PATH];
    ResolvePath(kListPath, listPath);
    if (g_attempted.exchange(true)) return 1;

    char packPath[MAX_PATH];
    ResolvePath(kPackPath, packPath);
    // The first start makes the pack; a build that fails leaves no file and
    // the loose folder is read instead.
    if (!PathExists(packPath)) Nuvex::BuildPack(packPath, kPassword, listPath);

    if (Nuvex::AttachPack(packPath, kPassword, 0)) {
        if (!LoadListFromPack()) return 0;
    } else if (!Nuvex::LoadResourceList(listPath, 0, nullptr, 0)) {
        WriteLog(0, "Loading resources configuration %s failure!", listPath);
        return 0;
    }
    if (!Nuvex::LoadResources(nullptr, 0)) {
        WriteLog(0, "Loading resources data failure!");
        return 0;
    }
    // The resources are loaded: later lookups open the pack only when needed.
    Nuvex::DetachPack(packPath, 0);
    return 1;
}

void Forget() { g_attempted = false; }

}   // namespace PanelSkin
