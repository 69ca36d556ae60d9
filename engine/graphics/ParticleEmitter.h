#pragma once
// A particle emitter: up to 500 small copies of one texture region sprayed
// from a point that can move. Each particle is born with a random lifetime,
// jitter, direction, speed, accelerations and a colour that fades from the
// start colour to the end colour; it dies when its life ends or when it
// leaves the surface. The owner moves the emitter, updates it once per frame
// with the elapsed time and draws it inside the scene; the emitter records
// on its surface like any element and invalidates what it covers.
//
// Made by ISurface::CreateEmitter only; the caller owns it and deletes it
// through the virtual destructor, before the surface goes.
#include <windows.h>
#include <cstddef>
#include <cstdint>

#include "engine/graphics/TextureRegion.h"

class ISurface;

// The parameter block as callers lay it out: little-endian, IEEE singles,
// angles in radians, screen y growing downwards. Colours are R, G, B, A in
// 0.0-1.0.
struct EmitterParams {
    uint8_t unused[16];   // not read by the emitter
    int32_t rate;         // particles per second
    float duration;       // seconds of emission; -1.0 = without end
    float lifetimeMin;    // seconds
    float lifetimeMax;
    float direction;    // 0 points up (towards negative y)
    float spread;       // full width of the random angle range
    int32_t relative;   // non-zero adds the emitter's direction of travel
    float speedMin;     // pixels per update
    float speedMax;
    float gravityMin;   // added to the y velocity per second
    float gravityMax;
    float radialAccelMin;   // away from the emitter, per second
    float radialAccelMax;
    float tangentialAccelMin;   // at right angles to the radial one
    float tangentialAccelMax;
    float startColour[4];
    float endColour[4];
    float alphaVariation;    // 0.0-1.0
    float colourVariation;   // 0.0-1.0
    int32_t colourTint;      // non-zero tints with the colour, else alpha only as opacity
};
static_assert(sizeof(EmitterParams) == 120, "EmitterParams is a 120-byte block");
static_assert(offsetof(EmitterParams, rate) == 16 && offsetof(EmitterParams, startColour) == 76 &&
                  offsetof(EmitterParams, colourTint) == 116,
              "EmitterParams fields sit at their stored offsets");

struct Particle {
    TextureRegion region;   // the emitter's region; opacity rewritten when drawn untinted
    int32_t drawX;          // truncated position minus the anchor
    int32_t drawY;
    float posX;
    float posY;
    float velX;   // pixels per update
    float velY;
    float gravity;   // per second
    float radialAccel;
    float tangentialAccel;
    float colour[4];   // R, G, B, A
    float delta[4];    // change per second
    float age;         // seconds lived
    float lifetime;    // seconds to live
};

class ParticleEmitter {
public:
    static constexpr int kMaxParticles = 500;
    // Emission clock values besides the running count from 0.
    static constexpr float kStopped = -2.0f;
    static constexpr float kEndless = -1.0f;

    // Null for a missing or empty block, a region without texture or with a
    // non-positive size, or when memory is short. At most 120 bytes of the
    // block are copied; the rest of the parameters are zero.
    static ParticleEmitter* Create(ISurface* surface, const void* block, uint32_t length,
                                   const TextureRegion* region, int anchorX, int anchorY);

    virtual ~ParticleEmitter();
    ParticleEmitter(const ParticleEmitter&) = delete;
    ParticleEmitter& operator=(const ParticleEmitter&) = delete;

    // Ends emission; with removeParticles also clears every live particle
    // and returns how many there were, else returns 0.
    virtual int Stop(int removeParticles);
    // Moves the emitter. moveParticles takes the live particles along; else
    // the next update emits along the path from the old position.
    virtual POINTFLOAT SetPosition(float x, float y, int moveParticles);
    virtual void Restart();
    virtual void StartAt(float x, float y);
    // A time that is not finite, or negative, counts as none.
    virtual void Update(float seconds);
    virtual void Draw();
    virtual EmitterParams* GetParams();   // the emitter's own copy, changeable in place
    virtual int GetCount();
    virtual float GetTimer();
    virtual uint8_t GetBlendMode();
    virtual int GetUserData();
    virtual uint8_t SetBlendMode(uint8_t mode);
    virtual int SetUserData(int value);

    // For tests: the live particles, GetCount() of them.
    const Particle* Particles() const { return particles_; }

private:
    ParticleEmitter(ISurface* surface, const void* block, uint32_t length,
                    const TextureRegion& region, int anchorX, int anchorY);

    void Animate(Particle& p, float seconds) const;
    void Emit(float seconds);
    void Spawn(Particle& p);
    void SetDrawPosition(Particle& p) const;
    void Remove(int index);
    void InvalidateArea(const Particle& p) const;
    void DrawParticle(Particle& p) const;

    // Fields in the order of the 32-bit layout (50196 bytes in all).
    ISurface* surface_;   // not owned
    TextureRegion region_;
    int32_t userData_ = 0;
    int32_t anchorX_;
    int32_t anchorY_;
    EmitterParams params_;
    uint8_t blendMode_ = 1;
    POINTFLOAT previousPos_ = {0, 0};
    POINTFLOAT position_ = {0, 0};
    Particle particles_[kMaxParticles];
    int32_t count_ = 0;
    float emitCarry_ = 0;
    float timer_ = kStopped;
};
