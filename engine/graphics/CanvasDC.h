#pragma once
// The pixel store of one window and the recorder of what is drawn into it
// during a scene. Drawing calls are clipped and kept as commands; at the end
// of the scene they are replayed in order, each limited to the dirty
// rectangle (the union of everything invalidated since the last present),
// and only that rectangle is copied to the window. A frame in which nothing
// was invalidated draws and copies nothing, and recording into buffers that
// keep their memory allocates nothing once they have grown. The dirty
// rectangle stays inside the part of the canvas the screen can show, when
// the window says which part that is (SetVisibleRect).
#include <windows.h>
#include <cstdint>
#include <memory>

#include "engine/core/GrowBuffer.h"
#include "engine/graphics/Bitmap.h"
#include "engine/graphics/TextureRegion.h"

enum : uint16_t {
    CANVAS_TEXTURE = 0,
    CANVAS_TEXT = 1,
    CANVAS_RECT = 3,
    CANVAS_LINE = 4,
};

struct CanvasCommand {
    uint16_t kind;
    uint16_t zero;
    uint16_t paramIndex;   // first of the command's parameter units
    uint16_t paramUnits;   // always 2
    int32_t blendMode;     // the canvas's blend mode when recorded
    RECT clip;             // empty = none
    uint32_t refIndex;     // texture or text reference; 0 for rectangles and lines
};

// Three of a command's six parameters.
struct CanvasParamUnit {
    int32_t v[3];
};

struct CanvasTextRef {
    uint32_t font;     // font pool handle
    uint32_t offset;   // of the text in the text bytes
    uint32_t length;   // stored bytes, terminating zero included
    int32_t wrapWidth;
    uint32_t flags;
};

#if defined(__i386__)
static_assert(sizeof(CanvasCommand) == 32, "CanvasCommand is a 32-byte record");
static_assert(sizeof(CanvasParamUnit) == 12, "a parameter unit is three int32");
static_assert(sizeof(CanvasTextRef) == 20, "CanvasTextRef is a 20-byte record");
#endif

// A recorded command with everything it refers to (read only).
struct CanvasCommandView {
    const CanvasCommand* command;
    int32_t params[6];
    const TextureRegion* texture;   // texture commands, else null
    const CanvasTextRef* textRef;   // text commands, else null
    const char* text;               // text commands, else null
};

class CanvasDC {
public:
    // The parameter index is 16 bits wide and each command takes two units.
    static constexpr uint32_t kMaxCommands = 32767;

    CanvasDC();
    virtual ~CanvasDC();
    CanvasDC(const CanvasDC&) = delete;
    CanvasDC& operator=(const CanvasDC&) = delete;

    // A store more than this much larger than the canvas needs is given
    // back when the canvas shrinks; a smaller excess is kept.
    static constexpr uint32_t kSpareStoreBytes = 1u << 20;

    // Makes or keeps a big enough pixel store; the whole canvas becomes dirty
    // and the visible part is forgotten until told again. A store far larger
    // than the new size (kSpareStoreBytes) is replaced by one that fits,
    // and kept when that can't be made.
    int Resize(int w, int h);
    // Makes sure the pixel store holds w x h, without a word when it can't:
    // 0 then. A store too small is replaced by a new one; when the two
    // can't be held at once, the old one goes first, and when the new one
    // still can't be made, a blank one of the old size takes its place (or
    // none, when even that fails: the canvas then draws nothing until a
    // resize makes one). Any new store makes the whole canvas dirty; the
    // canvas keeps its size until the next Resize.
    int Reserve(int w, int h);
    // The part of the canvas the screen can show, in canvas coordinates, or
    // null for all of it. Replays and presents keep to it, so a window far
    // larger than the screen costs no more per frame than the screen. A part
    // that comes into view makes all that shows dirty: it may never have
    // been drawn.
    void SetVisibleRect(const RECT* rect);
    int Begin();                // clip cleared, commands dropped
    int Replay();               // draws the commands into the dirty rectangle
    int Present(HWND window);   // copies the dirty rectangle to the window

    void InvalidateRect(const RECT* rect, RECT* oldDirty);   // null = all
    void GetDirtyRect(RECT* out) const;
    void GetClipRect(RECT* out) const;
    void GetCopySource(RECT* out) const;
    void GetCopyTarget(RECT* out) const;
    void SetClipRect(const RECT* rect, RECT* oldClip);   // null = no clipping
    int SetCopySourceRect(const RECT* rect, RECT* oldRect);
    int SetCopyTargetRect(const RECT* rect, RECT* oldRect);
    void SetActive(int active);
    int SetBlendMode(uint32_t mode);   // previous mode, or 0 for a mode outside 1..4
    int GetBlendMode() const { return blendMode_; }
    void SetClearColor(uint32_t colour) { clearColor_ = colour; }

    // Recording: 1 recorded (or clipped away entirely), 0 refused.
    int RecordTexture(const RECT* clip, int x, int y, int w, int h, uint32_t tint,
                      uint32_t background, const TextureRegion* region);
    int RecordText(const RECT* clip, int x, int y, int wrapWidth, uint32_t flags,
                   uint32_t textColour, uint32_t background, uint32_t font, const char* text,
                   int count);
    int RecordRect(const RECT* clip, int x, int y, int w, int h, uint32_t outline, uint32_t fill);
    int RecordLine(const RECT* clip, int x1, int y1, int x2, int y2, uint32_t colour);

    // Writes the canvas area as an image: 19 BMP, 20 PNG, 21 JPEG, 22 TGA,
    // anything else NVX (zlib). 1 written, 0 not. Outside the visible part
    // it holds what was last drawn there.
    int Save(const char* path, int type) const;

    int Width() const { return bounds_.right - bounds_.left; }
    int Height() const { return bounds_.bottom - bounds_.top; }
    Bitmap* PixelStore() const { return pixels_.get(); }
    int State() const { return state_; }
    bool CopyPending() const { return copyPending_ != 0; }

    uint32_t CommandCount() const { return commands_.Committed(); }
    // Bytes held by the command buffers: unchanged from frame to frame once
    // they have grown to the scene's size.
    size_t BufferBytes() const;
    bool ViewCommand(uint32_t index, CanvasCommandView* out) const;

private:
    // The canvas, or the part of it the screen can show: where the dirty
    // rectangle may lie.
    RECT Drawable() const;
    bool EffectiveClip(const RECT* clip, RECT* out) const;
    bool ReserveCommand(CanvasCommand** command, CanvasParamUnit** params);
    void FillCommand(CanvasCommand* command, uint16_t kind, const RECT& clip,
                     uint32_t refIndex) const;
    int SetCopyRect(RECT& which, const RECT* rect, RECT* oldRect);
    void ReplayCommand(const CanvasCommand& command, const RECT& dirty);
    void ParamsOf(const CanvasCommand& command, int32_t p[6]) const;
    void ReplayTexture(const CanvasCommand& command, const int32_t* p, const RECT& v);
    void ReplayText(const CanvasCommand& command, const int32_t* p, const RECT& v);
    void ReplayRect(const int32_t* p, const RECT& v);
    void ReplayLine(const int32_t* p, const RECT& v);

    std::unique_ptr<Bitmap> pixels_;
    uint32_t clearColor_ = 0;
    int32_t blendMode_ = 1;
    int32_t state_ = 0;   // 0 active, 2 suspending, 1 suspended
    RECT bounds_ = {0, 0, 0, 0};
    RECT dirtyRect_ = {0, 0, 0, 0};
    RECT visibleRect_ = {0, 0, 0, 0};
    bool visibleSet_ = false;   // else all of the canvas counts as visible
    RECT clipRect_ = {0, 0, 0, 0};
    RECT copySource_ = {0, 0, 0, 0};
    RECT copyTarget_ = {0, 0, 0, 0};
    int32_t copyPending_ = 0;
    GrowBuffer<CanvasCommand, 32> commands_;
    GrowBuffer<CanvasParamUnit, 32> params_;
    GrowBuffer<TextureRegion, 32> textureRefs_;
    GrowBuffer<CanvasTextRef, 32> textRefs_;
    GrowBuffer<char, 1024> textBytes_;
};
