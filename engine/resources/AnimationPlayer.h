#pragma once
// The animation player of one element: its own copy of the frames it shows,
// resolved to texture and effect handles, the current frame and the counters
// that step through them. Filled by ResourceManager::BindAnimation and
// BindTexture; used on the UI thread only.
#include <cstdint>
#include <deque>

#include "engine/graphics/TextureRegion.h"

class ISurface;

// One bound frame: flat, so drawing and stepping never look names up.
struct PlayerFrame {
    int32_t method;     // drawing method 1-4, 0 = the surface's default
    int32_t delay;      // update ticks to stay on the frame
    uint32_t texture;   // texture id
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    uint32_t alpha;   // 0-255
    int32_t offsetX;
    int32_t offsetY;
    uint32_t effect;   // sound effect played when the frame is selected, 0 = none
};
#if defined(__i386__)
static_assert(sizeof(PlayerFrame) == 44, "frame records are 44 bytes");
#endif

// The texture region a frame shows, with the frame's alpha as its opacity.
TextureRegion PlayerRegion(const PlayerFrame& frame);

// Process-wide recycling of frame records (no lock: UI thread only). The
// records still pooled are freed when the module unloads.
class PlayerFramePool {
public:
    static PlayerFrame* Take();             // a cleared record, null when memory is short
    static void Give(PlayerFrame* frame);   // null is ignored
    static size_t Pooled();
};

class AnimationPlayer {
public:
    AnimationPlayer() = default;
    ~AnimationPlayer();
    AnimationPlayer(const AnimationPlayer&) = delete;
    AnimationPlayer& operator=(const AnimationPlayer&) = delete;

    // Selects a frame (taken modulo the frame count; negative counts from
    // the end); plays its effect unless muted. The new index, or 0 without
    // frames.
    int SetFrame(int index, int mute, int force);
    // One update tick: 1 while playback continues (also while waiting on a
    // frame's delay), 0 when not playing or when the last step was used up.
    int Step(int mute);
    // Starts playback: `remaining` steps (negative = endless), `step` frames
    // per advance. Stop keeps the current frame.
    void Play(int remaining, int step);
    void Stop() { stopped_ = 1; }

    int GetWidth(int ofCurrentFrame) const;
    int GetHeight(int ofCurrentFrame) const;
    PlayerFrame* CurrentFrame() const;
    PlayerFrame* GetFrame(int index) const;
    int GetFrameCount() const { return int(frames_.size()); }
    int AddFrame(PlayerFrame* frame);   // takes the record; 0 for null
    void ReleaseFrames();               // frames back to the pool, fields reset
    // Takes `frames` in place of the current ones (which go back to the pool)
    // with a new size and clip flag: a binding swaps in only complete work.
    void ReplaceFrames(std::deque<PlayerFrame*>& frames, int width, int height, int clip);

    // Records the current frame on the surface for an element at (x, y): at
    // the frame's offset, at its natural size (w and h 0) or stretched to
    // w x h, clipped to the player's size when it asks for clipping, with the
    // frame's method 1-4 for this draw only. Clears the changed flag; the
    // surface's result, 0 without a surface or a current frame.
    int Draw(ISurface* surface, int x, int y, int w, int h);

    int IsChanged() const { return changed_; }
    void ClearChanged() { changed_ = 0; }
    int GetClip() const { return clip_; }
    int IsPlaying() const { return remaining_ != 0; }
    int GetCurrent() const { return current_; }
    int GetRemaining() const { return remaining_; }
    int IsStopped() const { return stopped_; }
    void SetSoundOn(int on) { soundOn_ = on ? 1 : 0; }

private:
    std::deque<PlayerFrame*> frames_;
    int width_ = 0;
    int height_ = 0;
    int clip_ = 0;
    int soundOn_ = 1;
    int stopped_ = 1;
    int changed_ = 0;
    int current_ = 0;
    int step_ = 1;
    int remaining_ = 0;
    int delayLeft_ = 0;
};
