#pragma once
// The drawing surface of one top-level window. It owns the window's canvas,
// brackets each frame's recording in a scene, presents the changed rectangle
// and keeps the window's default and current fonts. Almost everything else
// is passed on to the canvas that recording goes to (the target).
//
// windows.h is included first, so DrawText is spelt DrawTextA in every unit
// that sees this class.
#include <windows.h>
#include <cstdint>
#include <memory>

#include "engine/graphics/TextureRegion.h"

class CanvasDC;
class ParticleEmitter;

// Screenshot types (low byte of the type argument).
enum : int {
    SHOT_NVX = 18,
    SHOT_BMP = 19,
    SHOT_PNG = 20,
    SHOT_JPG = 21,
    SHOT_TGA = 22,
};

class ISurface {
public:
    ISurface();
    virtual ~ISurface();
    ISurface(const ISurface&) = delete;
    ISurface& operator=(const ISurface&) = delete;

    virtual void SetClearColor(uint32_t colour);
    virtual int BeginScene(uint32_t scene);
    virtual int EndScene();
    virtual int Present(HWND window, int onlyWhenWindowTarget);
    virtual int SaveScreenshot(const char* path, int type);
    virtual int Resize(int w, int h);
    virtual int GetWidth();
    virtual int GetHeight();
    virtual void InvalidateAll();
    virtual void GetDirtyRect(RECT* out);
    virtual void Invalidate(int x, int y, int w, int h);
    virtual void InvalidateRect(const RECT* rect, RECT* oldDirty);
    virtual void GetClipRect(RECT* out);
    virtual void SetClip(int x, int y, int w, int h);
    virtual void SetClipRect(const RECT* rect, RECT* oldClip);
    virtual void GetCopySource(RECT* out);
    virtual int SetCopySource(int x, int y, int w, int h);
    virtual int SetCopySourceRect(const RECT* rect, RECT* oldRect);
    virtual void GetCopyTarget(RECT* out);
    virtual int SetCopyTarget(int x, int y, int w, int h);
    virtual int SetCopyTargetRect(const RECT* rect, RECT* oldRect);
    virtual int SetActive(int active);
    virtual int SetBlendMode(uint32_t mode);
    virtual int GetBlendMode();
    virtual int DrawTexture(const RECT* clip, int x, int y, int w, int h, uint32_t tint,
                            uint32_t background, const TextureRegion* region);
    virtual int DrawText(const RECT* clip, int x, int y, int wrapWidth, uint32_t flags,
                         uint32_t textColour, uint32_t background, const char* text, int count);
    virtual int FillRect(const RECT* clip, int x, int y, int w, int h, uint32_t outline,
                         uint32_t fill);
    virtual int DrawLine(const RECT* clip, int x1, int y1, int x2, int y2, uint32_t colour);
    virtual uint32_t SetFont(uint32_t font);
    virtual uint32_t GetDefaultFont();
    virtual uint32_t GetFont();
    // A particle emitter drawing on this surface, or null (see
    // ParticleEmitter::Create). The caller owns it.
    virtual ParticleEmitter* CreateEmitter(const void* params, uint32_t length,
                                           const TextureRegion* region, int anchorX, int anchorY);
    virtual int Startup(HWND window, int w, int h);
    virtual int Shutdown();

    // The part of the window the screen can show, in client coordinates, or
    // null for all of it: the window canvas draws and presents only there
    // (CanvasDC::SetVisibleRect).
    void SetVisibleRect(const RECT* rect);

    // For the owner and tests: the window canvas (null before the first
    // successful Resize) and whether a scene is open.
    CanvasDC* WindowCanvas() const { return windowCanvas_.get(); }
    bool SceneOpen() const { return sceneOpen_ != 0; }

private:
    HWND window_ = nullptr;
    uint32_t defaultFont_ = 0;
    uint32_t currentFont_ = 0;
    int32_t sceneOpen_ = 0;
    std::unique_ptr<CanvasDC> windowCanvas_;
    CanvasDC* target_ = nullptr;   // the window canvas, or a scene's canvas
};
