// Filling an element's animation player from the registry: frames copied out
// of an animation resource, or one region cut out of a texture resource.
#include "engine/resources/ResourceManager.h"

#include "engine/core/Log.h"
#include "engine/graphics/Texture.h"
#include "engine/resources/Animation.h"
#include "engine/resources/AnimationPlayer.h"

#include <cstdint>
#include <deque>

namespace {

// Frames bound so far; they go back to the pool unless handed to the player.
class FrameBatch {
public:
    FrameBatch() = default;
    ~FrameBatch() {
        for (PlayerFrame* frame : frames_) PlayerFramePool::Give(frame);
    }
    FrameBatch(const FrameBatch&) = delete;
    FrameBatch& operator=(const FrameBatch&) = delete;

    // A cleared record appended to the batch, or null when memory is short.
    PlayerFrame* Append() {
        PlayerFrame* frame = PlayerFramePool::Take();
        if (!frame) return nullptr;
        try {
            frames_.push_back(frame);
        } catch (...) {
            PlayerFramePool::Give(frame);
            return nullptr;
        }
        return frame;
    }
    std::deque<PlayerFrame*>& Frames() { return frames_; }

private:
    std::deque<PlayerFrame*> frames_;
};

const char* Text(const char* text) { return text ? text : ""; }

}   // namespace

int ResourceManager::BindAnimation(AnimationPlayer* player, const char* resname, int first,
                                   int count) {
    if (!player) return 0;
    ResourceRecord* record = Lookup(RESOURCE_ANIMATION, resname);
    if (!record || !record->object) {
        WriteLog(0,
                 record ? "创建动画时在资源管理器中未找到名称为 %s 的动画资源.#2"
                        : "创建动画时在资源管理器中未找到名称为 %s 的动画资源.#1",
                 Text(resname));
        return 0;
    }
    const IAnimation* animation = record->AnimationObject();
    const int n = animation->GetPlayLength();
    if (n <= 0) {
        WriteLog(0, "创建动画失败, 指定名称为 %s 的动画资源帧数据为空.", Text(resname));
        return 0;
    }
    if (unsigned(first) >= unsigned(n)) {
        WriteLog(0, "创建动画时指定的帧超出了名称为 %s 的动画资源有效帧范围.#1", Text(resname));
        return 0;
    }
    if (count == 0 || unsigned(count) > unsigned(n)) count = n;
    if (int64_t(first) + count - 1 >= n) {
        WriteLog(0, "创建动画时指定的帧超出了名称为 %s 的动画资源有效帧范围.#2", Text(resname));
        return 0;
    }

    // Bound aside and swapped in only when complete: a failure leaves the
    // player with what it showed before.
    FrameBatch batch;
    int firstWidth = 0, firstHeight = 0;
    for (int i = 0; i < count; ++i) {
        const IAnimationFrame* frame = animation->GetFrame(first + i);
        if (!frame) continue;
        if (i == 0) {
            firstWidth = frame->GetWidth();
            firstHeight = frame->GetHeight();
        }
        ResourceRecord* texture = frame->HasTexture()
                                      ? Lookup(RESOURCE_TEXTURE, frame->GetTexture())
                                      : nullptr;
        if (!texture || !texture->object) {
            WriteLog(0, "创建动画 %s 第 %d 帧时失败, 找不到纹理资源(resname=%s)!", Text(resname),
                     i + 1, frame->HasTexture() ? frame->GetTexture() : "(null)");
            return 0;
        }
        PlayerFrame* bound = batch.Append();
        if (!bound) return 0;
        bound->delay = frame->GetDelay();
        bound->method = frame->GetMethod();
        bound->offsetX = frame->GetOffsetX();
        bound->offsetY = frame->GetOffsetY();
        bound->alpha = frame->GetAlpha();
        bound->left = frame->GetLeft();
        bound->top = frame->GetTop();
        bound->width = frame->GetWidth();
        bound->height = frame->GetHeight();
        bound->texture = texture->Handle();
        ResourceRecord* effect = frame->HasEffect() ? Lookup(RESOURCE_EFFECT, frame->GetEffect())
                                                    : nullptr;
        bound->effect = effect ? effect->Handle() : 0;
    }
    const int width = animation->GetWidth() ? animation->GetWidth() : firstWidth;
    const int height = animation->GetHeight() ? animation->GetHeight() : firstHeight;
    player->ReplaceFrames(batch.Frames(), width, height, animation->GetClip());
    return 1;
}

int ResourceManager::BindTexture(AnimationPlayer* player, const char* resname, int left, int top,
                                 int width, int height, int offsetX, int offsetY, int alpha,
                                 int method) {
    if (!player) return 0;
    ResourceRecord* record = Lookup(RESOURCE_TEXTURE, resname);
    if (!record || !record->object) {
        WriteLog(0, "创建动画时在资源管理器中未找到名称为 %s 的纹理资源.#1", Text(resname));
        return 0;
    }
    const uint32_t texture = record->Handle();
    if (width == 0) {
        left = 0;
        width = Nuvex::GetTextureWidth(texture, 1);
    }
    if (height == 0) {
        top = 0;
        height = Nuvex::GetTextureHeight(texture);
    }
    FrameBatch batch;
    PlayerFrame* frame = batch.Append();
    if (!frame) return 0;
    frame->method = method;
    frame->delay = 0;
    frame->texture = texture;
    frame->left = left;
    frame->top = top;
    frame->width = width;
    frame->height = height;
    frame->alpha = uint32_t(alpha) & 0xFF;
    frame->offsetX = offsetX;
    frame->offsetY = offsetY;
    frame->effect = 0;
    player->ReplaceFrames(batch.Frames(), width, height, 0);
    return 1;
}
