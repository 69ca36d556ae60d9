#include "engine/resources/TextureFiles.h"

#include "engine/core/WorkPath.h"
#include "engine/graphics/Texture.h"
#include "engine/resources/ResourcePacks.h"

#include <memory>

namespace {

struct FreeBufferDeleter {
    void operator()(void* buffer) const { Nuvex::FreeBuffer(buffer); }
};

}   // namespace

namespace Nuvex {

uint32_t LoadTexture(const void* dataOrPath, uint32_t size) {
    if (!dataOrPath) return 0;
    if (size != 0) return LoadTextureData(dataOrPath, size);
    std::unique_ptr<void, FreeBufferDeleter> file(
        LoadFile(static_cast<const char*>(dataOrPath), &size, 0));
    return file ? LoadTextureData(file.get(), size) : 0;
}

}   // namespace Nuvex
