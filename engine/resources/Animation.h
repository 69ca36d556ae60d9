#pragma once
// Animation data: an animation is a list of frames, each cutting a region out
// of a named texture, with a delay, a drawing method, an offset, an alpha and
// an optional sound effect. Elements see animations only through these
// interfaces; the player copies what it needs (AnimationPlayer.h).
#include <cstdint>
#include <deque>
#include <memory>

class IAnimationFrame {
public:
    virtual ~IAnimationFrame() {}
    // Setters return the previous value; text setters keep at most 63
    // characters and take null as empty; the Has operations test for text.
    virtual void SetKeyword(const char* text) = 0;
    virtual const char* GetKeyword() const = 0;
    virtual int HasKeyword() const = 0;
    virtual int SetDelay(int value) = 0;
    virtual int GetDelay() const = 0;
    virtual int SetMethod(int value) = 0;
    virtual int GetMethod() const = 0;
    virtual int SetOffsetX(int value) = 0;
    virtual int GetOffsetX() const = 0;
    virtual int SetOffsetY(int value) = 0;
    virtual int GetOffsetY() const = 0;
    virtual void SetTexture(const char* text) = 0;
    virtual const char* GetTexture() const = 0;
    virtual int HasTexture() const = 0;
    virtual int SetLeft(int value) = 0;
    virtual int GetLeft() const = 0;
    virtual int SetTop(int value) = 0;
    virtual int GetTop() const = 0;
    virtual int SetWidth(int value) = 0;
    virtual int GetWidth() const = 0;
    virtual int SetHeight(int value) = 0;
    virtual int GetHeight() const = 0;
    virtual uint8_t SetAlpha(uint8_t value) = 0;
    virtual uint8_t GetAlpha() const = 0;
    virtual void SetEffect(const char* text) = 0;
    virtual const char* GetEffect() const = 0;
    virtual int HasEffect() const = 0;
};

class IAnimation {
public:
    virtual ~IAnimation() {}
    virtual int SetWidth(int value) = 0;   // a negative value becomes 0
    virtual int GetWidth() const = 0;
    virtual int SetHeight(int value) = 0;
    virtual int GetHeight() const = 0;
    virtual int SetClip(int value) = 0;   // stores 0 or 1
    virtual int GetClip() const = 0;
    virtual int GetPlayLength() const = 0;   // the play length, else the frame count
    virtual int GetFrameCount() const = 0;
    virtual IAnimationFrame* GetFrame(int index) const = 0;
    // 0 puts the new frame first, -1 last, any other index before that frame.
    virtual IAnimationFrame* InsertFrame(int position) = 0;
    virtual int DeleteFrame(int index) = 0;
    virtual int ClearFrames() = 0;
    virtual const char* GetFrameKeyword(int index) const = 0;
    virtual int FindFrame(const char* keyword, int start) const = 0;
    virtual int CountFrames(const char* keyword, int start) const = 0;
    // The animation's size when it has one, else the frame's.
    virtual int GetFrameWidth(int index) const = 0;
    virtual int GetFrameHeight(int index) const = 0;
};

const size_t kFrameTextSize = 64;   // 63 characters and a terminator

class AnimationFrame : public IAnimationFrame {
public:
    AnimationFrame() = default;
    void SetKeyword(const char* text) override;
    const char* GetKeyword() const override { return keyword_; }
    int HasKeyword() const override { return keyword_[0] != '\0'; }
    int SetDelay(int value) override { return Swap(delay_, value); }
    int GetDelay() const override { return delay_; }
    int SetMethod(int value) override { return Swap(method_, value); }
    int GetMethod() const override { return method_; }
    int SetOffsetX(int value) override { return Swap(offsetX_, value); }
    int GetOffsetX() const override { return offsetX_; }
    int SetOffsetY(int value) override { return Swap(offsetY_, value); }
    int GetOffsetY() const override { return offsetY_; }
    void SetTexture(const char* text) override;
    const char* GetTexture() const override { return texture_; }
    int HasTexture() const override { return texture_[0] != '\0'; }
    int SetLeft(int value) override { return Swap(left_, value); }
    int GetLeft() const override { return left_; }
    int SetTop(int value) override { return Swap(top_, value); }
    int GetTop() const override { return top_; }
    int SetWidth(int value) override { return Swap(width_, value); }
    int GetWidth() const override { return width_; }
    int SetHeight(int value) override { return Swap(height_, value); }
    int GetHeight() const override { return height_; }
    uint8_t SetAlpha(uint8_t value) override;
    uint8_t GetAlpha() const override { return alpha_; }
    void SetEffect(const char* text) override;
    const char* GetEffect() const override { return effect_; }
    int HasEffect() const override { return effect_[0] != '\0'; }

private:
    static int Swap(int& field, int value) {
        int old = field;
        field = value;
        return old;
    }

    char keyword_[kFrameTextSize] = {};
    int delay_ = 0;
    int method_ = 0;
    int offsetX_ = 0;
    int offsetY_ = 0;
    char texture_[kFrameTextSize] = {};
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    uint8_t alpha_ = 0;
    char effect_[kFrameTextSize] = {};
};

// The header block an animation carries (and the packed form would start
// with): its only virtual operation is the destructor.
class AnimationHeader {
public:
    static const uint32_t kMagic = 0x494E4189;   // bytes 89 41 4E 49
    static const uint32_t kFormatWord = 0x020502D2;
    virtual ~AnimationHeader() {}

    uint32_t magic = kMagic;
    uint32_t formatWord = kFormatWord;
    uint32_t headerVersion = 1;
    uint32_t headerSize = 36;
    int32_t width = 0;
    int32_t height = 0;
    uint32_t clip = 0;
    uint32_t playLength = 0;   // 0 = all frames
};
#if defined(__i386__)
static_assert(sizeof(AnimationHeader) == 36, "the header block is 36 bytes");
#endif

class Animation : public IAnimation {
public:
    Animation() = default;
    Animation(const Animation&) = delete;
    Animation& operator=(const Animation&) = delete;

    int SetWidth(int value) override;
    int GetWidth() const override { return header_.width; }
    int SetHeight(int value) override;
    int GetHeight() const override { return header_.height; }
    int SetClip(int value) override;
    int GetClip() const override { return int(header_.clip); }
    int GetPlayLength() const override;
    int GetFrameCount() const override { return int(frames_.size()); }
    IAnimationFrame* GetFrame(int index) const override;
    IAnimationFrame* InsertFrame(int position) override;
    int DeleteFrame(int index) override;
    int ClearFrames() override;
    const char* GetFrameKeyword(int index) const override;
    int FindFrame(const char* keyword, int start) const override;
    int CountFrames(const char* keyword, int start) const override;
    int GetFrameWidth(int index) const override;
    int GetFrameHeight(int index) const override;

private:
    AnimationHeader header_;
    std::deque<std::unique_ptr<IAnimationFrame>> frames_;
};
