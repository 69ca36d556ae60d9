#include "engine/core/EngineGlobals.h"

#include "engine/core/GrowBuffer.h"
#include "engine/core/HandleTable.h"
#include "engine/core/MbcsText.h"
#include "engine/core/WorkPath.h"

#include <cstring>

namespace {

// The engine's own statics, built in this order and destroyed in reverse at
// module unload: the globals before the graphics pools, so the pools' tables
// go first. (The pack list, the animation frame pool, the window map and the
// decoders' scratch area belong to their own areas.)
struct EngineStatics {
    EngineGlobals globals;
    GraphicsPools pools;
};

EngineStatics& Statics() {
    static EngineStatics statics;
    return statics;
}

// Build them while the module loads, not at some first use on another thread.
const bool g_staticsBuilt = (Statics(), true);

thread_local char t_resultBuffer[kPathBufferSize];
thread_local ByteBuffer1K t_formatBuffer;

}  // namespace

EngineGlobals& Globals() { return Statics().globals; }
GraphicsPools& Nuvex::Pools() { return Statics().pools; }

int EngineGlobals::Setup(HINSTANCE module) {
    instance = module ? module : GetModuleHandleA(nullptr);
    char path[kPathBufferSize] = {};
    DWORD n = GetModuleFileNameA(instance, path, sizeof path);
    std::memset(moduleFolder, 0, sizeof moduleFolder);
    if (n > 0 && n < sizeof path) {
        const char* slash = Nuvex::mbcs::FindLastOf(path, n, '\\', '\\');
        size_t folderLen = slash ? size_t(slash - path) : 0;
        std::memcpy(moduleFolder, path, folderLen);
    }
    Nuvex::SetWorkPath(nullptr);
    return 1;
}

char* EngineGlobals::ResultBuffer() { return t_resultBuffer; }

char* EngineGlobals::PrepareFormatBuffer(uint32_t n) {
    char* data = t_formatBuffer.Reserve(n);
    if (!data) return nullptr;
    // Only the bytes the caller will use need zeroing; the rest is never read.
    std::memset(data, 0, n ? n : 1);
    return data;
}
