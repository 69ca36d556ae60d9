#include "engine/resources/AnimationPlayer.h"

#include "engine/graphics/ISurface.h"
#include "engine/graphics/TextureRegion.h"
#include "engine/resources/Sound.h"

#include <cstring>
#include <new>

namespace {

// Built with the engine's other process-wide objects; a record given back
// after the pool itself was destroyed (a player outliving module unload) is
// freed at once instead.
struct FrameStore {
    std::deque<PlayerFrame*> records;
    ~FrameStore() {
        for (PlayerFrame* frame : records) delete frame;
        records.clear();
        gone = true;
    }
    static bool gone;
};
bool FrameStore::gone = false;
FrameStore g_frameStore;

}   // namespace

PlayerFrame* PlayerFramePool::Take() {
    PlayerFrame* frame = nullptr;
    if (!FrameStore::gone && !g_frameStore.records.empty()) {
        frame = g_frameStore.records.front();
        g_frameStore.records.pop_front();
    } else {
        frame = new (std::nothrow) PlayerFrame;
        if (!frame) return nullptr;
    }
    std::memset(frame, 0, sizeof *frame);
    return frame;
}

void PlayerFramePool::Give(PlayerFrame* frame) {
    if (!frame) return;
    if (FrameStore::gone) {
        delete frame;
        return;
    }
    try {
        g_frameStore.records.push_back(frame);
    } catch (...) {
        delete frame;   // no room to keep it: free it instead
    }
}

size_t PlayerFramePool::Pooled() { return FrameStore::gone ? 0 : g_frameStore.records.size(); }

TextureRegion PlayerRegion(const PlayerFrame& frame) {
    TextureRegion region = {};
    region.texture = frame.texture;
    region.x = frame.left;
    region.y = frame.top;
    region.width = frame.width;
    region.height = frame.height;
    region.opacity = uint8_t(frame.alpha);
    return region;
}

AnimationPlayer::~AnimationPlayer() { ReleaseFrames(); }

int AnimationPlayer::SetFrame(int index, int mute, int force) {
    if (frames_.empty()) return 0;
    const int n = int(frames_.size());
    if (index >= n) index %= n;
    if (index < 0) index = ((index % n) + n) % n;
    const int old = current_;
    current_ = index;
    changed_ = force ? 1 : (index != old ? 1 : 0);
    const PlayerFrame* frame = frames_[size_t(index)];
    delayLeft_ = frame->delay;
    if (!mute && soundOn_ && frame->effect) Nuvex::PlayEffect(frame->effect);
    return current_;
}

int AnimationPlayer::Step(int mute) {
    if (remaining_ == 0 || stopped_) return 0;
    if (size_t(current_) >= frames_.size()) return 1;
    if (delayLeft_ > 0) {
        --delayLeft_;
        return 1;
    }
    delayLeft_ = 0;   // a negative delay acts as none
    if (remaining_ > 0 && --remaining_ == 0) return 0;
    SetFrame(current_ + step_, mute, 0);
    return 1;
}

void AnimationPlayer::Play(int remaining, int step) {
    remaining_ = remaining;
    step_ = step;
    stopped_ = 0;
}

int AnimationPlayer::GetWidth(int ofCurrentFrame) const {
    if (!ofCurrentFrame) return width_;
    const PlayerFrame* frame = CurrentFrame();
    return frame ? frame->width : 0;
}

int AnimationPlayer::GetHeight(int ofCurrentFrame) const {
    if (!ofCurrentFrame) return height_;
    const PlayerFrame* frame = CurrentFrame();
    return frame ? frame->height : 0;
}

PlayerFrame* AnimationPlayer::CurrentFrame() const { return GetFrame(current_); }

PlayerFrame* AnimationPlayer::GetFrame(int index) const {
    return unsigned(index) < frames_.size() ? frames_[size_t(index)] : nullptr;
}

int AnimationPlayer::AddFrame(PlayerFrame* frame) {
    if (!frame) return 0;
    try {
        frames_.push_back(frame);
    } catch (...) {
        PlayerFramePool::Give(frame);
        return 0;
    }
    return 1;
}

void AnimationPlayer::ReleaseFrames() {
    for (PlayerFrame* frame : frames_) PlayerFramePool::Give(frame);
    frames_.clear();
    width_ = height_ = 0;
    clip_ = 0;
    soundOn_ = 1;
    stopped_ = 1;
    changed_ = 0;
    current_ = 0;
    step_ = 1;
    remaining_ = 0;
    delayLeft_ = 0;
}

void AnimationPlayer::ReplaceFrames(std::deque<PlayerFrame*>& frames, int width, int height,
                                    int clip) {
    ReleaseFrames();
    frames_.swap(frames);
    width_ = width;
    height_ = height;
    clip_ = clip ? 1 : 0;
}

int AnimationPlayer::Draw(ISurface* surface, int x, int y, int w, int h) {
    const PlayerFrame* frame = CurrentFrame();
    if (!surface || !frame) return 0;
    const TextureRegion region = PlayerRegion(*frame);

    const bool ownMethod = frame->method >= 1 && frame->method <= 4;
    const int previous = ownMethod ? surface->SetBlendMode(uint32_t(frame->method)) : 0;
    RECT clip = {x, y, x + width_, y + height_};
    const int drawn = surface->DrawTexture(clip_ ? &clip : nullptr, x + frame->offsetX,
                                           y + frame->offsetY, w, h, 0, 0, &region);
    if (ownMethod && previous) surface->SetBlendMode(uint32_t(previous));
    changed_ = 0;
    return drawn;
}
