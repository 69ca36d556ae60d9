#include "engine/core/EngineGlobals.h"

#include "engine/core/BuildVariant.h"
#include "engine/core/GrowBuffer.h"
#include "engine/core/MbcsText.h"
#include "engine/core/WorkPath.h"

#include <cstring>
#include <new>

namespace {

// Per-thread storage is plain data only. A thread_local with a destructor
// has that destructor queued in the C++ runtime for the thread's end; a host
// that unloads the module while one of its threads lives on would then crash
// when the thread ends. The format area is freed by the module's own
// thread-detach callback instead, which goes away with the module.
thread_local char t_resultBuffer[kPathBufferSize];
thread_local ByteBuffer1K* t_formatBuffer = nullptr;

ByteBuffer1K* ThreadFormatBuffer() {
    if (!t_formatBuffer) t_formatBuffer = new (std::nothrow) ByteBuffer1K;
    return t_formatBuffer;
}

void NTAPI ReleaseThreadFormatBuffer(PVOID, DWORD reason, PVOID) {
    if (reason != DLL_THREAD_DETACH && reason != DLL_PROCESS_DETACH) return;
    delete t_formatBuffer;
    t_formatBuffer = nullptr;
}

// Runs before the runtime's own callbacks (".CRT$XLC" on), which free the
// thread's thread_local storage.
__attribute__((section(".CRT$XLB"), used))
const PIMAGE_TLS_CALLBACK g_releaseFormatBufferAtThreadEnd = &ReleaseThreadFormatBuffer;

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
        if (slash && (BuildVariant::kOlder || (folderLen == 2 && path[1] == ':'))) ++folderLen;
        std::memcpy(moduleFolder, path, folderLen);
    }
    Nuvex::SetWorkPath(nullptr);
    return 1;
}

char* EngineGlobals::ResultBuffer() { return t_resultBuffer; }

char* EngineGlobals::PrepareFormatBuffer(uint32_t n) {
    ByteBuffer1K* buffer = ThreadFormatBuffer();
    char* data = buffer ? buffer->Reserve(n) : nullptr;
    if (!data) return nullptr;
    // Only the bytes the caller will use need zeroing; the rest is never read.
    std::memset(data, 0, n ? n : 1);
    return data;
}
