#include "engine/core/EngineGlobals.h"

#include "engine/core/BuildVariant.h"
#include "engine/core/GrowBuffer.h"
#include "engine/core/MbcsText.h"
#include "engine/core/ThreadSlot.h"
#include "engine/core/WorkPath.h"

#include <cstring>
#include <new>

namespace {

// Each thread's MakeWorkPath result and WriteLog format text.
struct ThreadAreas {
    char result[kPathBufferSize] = {};
    ByteBuffer1K format;
};

ThreadSlot<ThreadAreas> g_threadAreas;

void NTAPI ReleaseThreadAreas(PVOID, DWORD reason, PVOID) { g_threadAreas.Release(reason); }

__attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK g_releaseThreadAreasAtThreadEnd = &ReleaseThreadAreas;

}   // namespace

// Built at first use, which the engine's start-up floor makes while the
// module loads.
EngineGlobals& Globals() {
    static EngineGlobals globals;
    return globals;
}

HINSTANCE Nuvex::GetModuleInstance() { return Globals().instance; }

int EngineGlobals::Setup(HINSTANCE module) {
    instance = module ? module : GetModuleHandleA(nullptr);
    char path[kPathBufferSize] = {};
    DWORD n = GetModuleFileNameA(instance, path, sizeof path);
    std::memset(moduleFolder, 0, sizeof moduleFolder);
    if (n > 0 && n < sizeof path) {
        const char* slash = Nuvex::mbcs::FindLastOf(path, n, '\\', '\\');
        size_t folderLen = slash ? size_t(slash - path) : 0;
        // A module in a drive root: the folder keeps its backslash ("D:\"),
        // since "D:" would name the drive's current folder. The older build
        // keeps it for every folder, so its default work folder ends in one.
        const bool driveRoot = folderLen == 2 && path[1] == ':';
        if (slash && (BuildVariant::kModuleFolderKeepsBackslash || driveRoot)) ++folderLen;
        std::memcpy(moduleFolder, path, folderLen);
    }
    Nuvex::SetWorkPath(nullptr);
    return 1;
}

char* EngineGlobals::ResultBuffer() {
    ThreadAreas* areas = g_threadAreas.Get();
    return areas ? areas->result : nullptr;
}

char* EngineGlobals::PrepareFormatBuffer(uint32_t n) {
    ThreadAreas* areas = g_threadAreas.Get();
    char* data = areas ? areas->format.Reserve(n) : nullptr;
    if (!data) return nullptr;
    // Only the bytes the caller will use need zeroing; the rest is never read.
    std::memset(data, 0, n ? n : 1);
    return data;
}
