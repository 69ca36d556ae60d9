#include "engine/graphics/ParticleEmitter.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <new>
#include <utility>

#include "engine/core/Random.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/RectOps.h"

#if defined(__i386__)
static_assert(sizeof(ParticleEmitter) == 50196, "the emitter is one block of 50196 bytes");
#endif

namespace {

constexpr float kHalfPi = 1.57079632679489662f;

// Truncation toward zero held inside [low, high]; NaN gives low. A float
// outside the int range has no defined conversion, so it never gets one.
int32_t TruncateInto(double value, int32_t low, int32_t high) {
    if (!(value > low)) return low;
    if (!(value < high)) return high;
    return int32_t(value);
}

// One colour channel as a byte: a parameter or variation outside 0..1 must
// not carry into the neighbouring channel.
uint32_t ChannelByte(float value) { return uint32_t(TruncateInto(255.0f * value, 0, 255)); }

int32_t DrawCoordinate(float position, int32_t anchor) {
    return TruncateInto(std::trunc(double(position)) - double(anchor), INT32_MIN, INT32_MAX);
}

// 1/sqrt(d2) by the integer trick with one refinement step (constant 0.4999),
// cheaper than a square root and a division.
float ApproxInverseSqrt(float d2) {
    uint32_t bits;
    std::memcpy(&bits, &d2, sizeof bits);
    bits = 0x5F3759DFu - (bits >> 1);
    float y0;
    std::memcpy(&y0, &bits, sizeof y0);
    return y0 * (1.5f - 0.4999f * d2 * y0 * y0);
}

}   // namespace

ParticleEmitter* ParticleEmitter::Create(ISurface* surface, const void* block, uint32_t length,
                                         const TextureRegion* region, int anchorX, int anchorY) {
    if (!surface || !block || length == 0 || !region) return nullptr;
    if (region->texture == 0 || region->width <= 0 || region->height <= 0) return nullptr;
    return new (std::nothrow) ParticleEmitter(surface, block, length, *region, anchorX, anchorY);
}

ParticleEmitter::ParticleEmitter(ISurface* surface, const void* block, uint32_t length,
                                 const TextureRegion& region, int anchorX, int anchorY)
    : surface_(surface), region_(region), anchorX_(anchorX), anchorY_(anchorY) {
    std::memset(&params_, 0, sizeof params_);
    std::memcpy(&params_, block, std::min<size_t>(length, sizeof params_));
}

ParticleEmitter::~ParticleEmitter() = default;

// --- state ---

int ParticleEmitter::Stop(int removeParticles) {
    timer_ = kStopped;
    if (!removeParticles) return 0;
    const int removed = count_;
    for (int i = 0; i < count_; ++i) InvalidateArea(particles_[i]);
    count_ = 0;
    return removed;
}

POINTFLOAT ParticleEmitter::SetPosition(float x, float y, int moveParticles) {
    if (moveParticles) {
        // Their drawing positions follow at the next update.
        const float dx = x - position_.x, dy = y - position_.y;
        for (int i = 0; i < count_; ++i) {
            particles_[i].posX += dx;
            particles_[i].posY += dy;
        }
        previousPos_.x += dx;
        previousPos_.y += dy;
    } else if (timer_ == kStopped) {
        previousPos_ = {x, y};
    } else {
        previousPos_ = position_;   // the next update emits along the way
    }
    position_ = {x, y};
    return position_;
}

void ParticleEmitter::Restart() { timer_ = params_.duration == kEndless ? kEndless : 0.0f; }

void ParticleEmitter::StartAt(float x, float y) {
    Stop(0);
    SetPosition(x, y, 0);
    Restart();
}

EmitterParams* ParticleEmitter::GetParams() { return &params_; }
int ParticleEmitter::GetCount() { return count_; }
float ParticleEmitter::GetTimer() { return timer_; }
uint8_t ParticleEmitter::GetBlendMode() { return blendMode_; }
int ParticleEmitter::GetUserData() { return userData_; }

uint8_t ParticleEmitter::SetBlendMode(uint8_t mode) { return std::exchange(blendMode_, mode); }
int ParticleEmitter::SetUserData(int value) { return std::exchange(userData_, value); }

// --- update ---

void ParticleEmitter::Update(float seconds) {
    // A frame time that is not finite, or negative, counts as none: one bad
    // frame must not leave the clock where it never ends nor the ages where
    // nothing dies.
    if (!(seconds >= 0.0f && seconds <= FLT_MAX)) seconds = 0.0f;
    if (timer_ >= 0) {
        timer_ += seconds;
        if (timer_ >= params_.duration) timer_ = kStopped;   // the particles live on
    }
    for (int i = 0; i < count_;) {
        Particle& p = particles_[i];
        InvalidateArea(p);
        p.age += seconds;
        if (!(p.age < p.lifetime)) {
            Remove(i);
            continue;
        }
        Animate(p, seconds);
        ++i;
    }
    if (timer_ != kStopped) Emit(seconds);
    previousPos_ = position_;
}

void ParticleEmitter::Animate(Particle& p, float seconds) const {
    const float dx = p.posX - position_.x, dy = p.posY - position_.y;
    const float d2 = dx * dx + dy * dy;
    float nx = 0, ny = 0;
    // On the emitter (or too far for a float) there is no direction to push.
    if (d2 > 0 && d2 <= FLT_MAX) {
        const float r = ApproxInverseSqrt(d2);
        nx = dx * r;
        ny = dy * r;
    }
    p.velX += (nx * p.radialAccel - ny * p.tangentialAccel) * seconds;
    p.velY += (ny * p.radialAccel + nx * p.tangentialAccel) * seconds;
    p.velY += p.gravity * seconds;
    // The velocity is in pixels per update, not per second.
    p.posX += p.velX;
    p.posY += p.velY;
    for (int c = 0; c < 4; ++c) p.colour[c] += p.delta[c] * seconds;
    SetDrawPosition(p);
}

void ParticleEmitter::Emit(float seconds) {
    const float due = float(params_.rate) * seconds + emitCarry_;
    const float whole = std::trunc(due);
    emitCarry_ = due - whole;
    if (!std::isfinite(emitCarry_)) emitCarry_ = 0;
    // What does not fit under the cap is lost, not carried.
    for (int k = TruncateInto(whole, 0, kMaxParticles); k > 0 && count_ < kMaxParticles; --k) {
        Spawn(particles_[count_]);
        ++count_;
    }
}

// The order of the RandomFloat calls fixes what a given seed produces.
void ParticleEmitter::Spawn(Particle& p) {
    const EmitterParams& q = params_;
    p = Particle();
    p.lifetime = Nuvex::RandomFloat(q.lifetimeMin, q.lifetimeMax);
    // A random point on the path the emitter travelled since the last update.
    const float s = Nuvex::RandomFloat(0.0f, 1.0f);
    p.posX = previousPos_.x + s * (position_.x - previousPos_.x);
    p.posY = previousPos_.y + s * (position_.y - previousPos_.y);
    p.posX += Nuvex::RandomFloat(-2.0f, 2.0f);
    p.posY += Nuvex::RandomFloat(-2.0f, 2.0f);

    float angle = q.direction - kHalfPi + Nuvex::RandomFloat(0.0f, q.spread) - q.spread / 2;
    if (q.relative)
        angle += std::atan2(previousPos_.y - position_.y, previousPos_.x - position_.x) + kHalfPi;
    const float speed = Nuvex::RandomFloat(q.speedMin, q.speedMax);
    p.velX = std::cos(angle) * speed;
    p.velY = std::sin(angle) * speed;
    p.gravity = Nuvex::RandomFloat(q.gravityMin, q.gravityMax);
    p.radialAccel = Nuvex::RandomFloat(q.radialAccelMin, q.radialAccelMax);
    p.tangentialAccel = Nuvex::RandomFloat(q.tangentialAccelMin, q.tangentialAccelMax);

    for (int c : {3, 0, 1, 2}) {   // A first, then R, G, B
        const float variation = c == 3 ? q.alphaVariation : q.colourVariation;
        const float start = q.startColour[c];
        p.colour[c] = Nuvex::RandomFloat(start, start + (q.endColour[c] - start) * variation);
    }
    const float perSecond = 1.0f / p.lifetime;
    if (p.lifetime > 0 && std::isfinite(perSecond)) {
        for (int c = 0; c < 4; ++c) p.delta[c] = (q.endColour[c] - p.colour[c]) * perSecond;
    } else {
        p.lifetime = 0;   // dies at the next update, its colour unchanged
    }
    p.region = region_;
    SetDrawPosition(p);
}

void ParticleEmitter::SetDrawPosition(Particle& p) const {
    p.drawX = DrawCoordinate(p.posX, anchorX_);
    p.drawY = DrawCoordinate(p.posY, anchorY_);
}

// The last live particle takes the slot; order is not kept.
void ParticleEmitter::Remove(int index) {
    particles_[index] = particles_[count_ - 1];
    --count_;
}

void ParticleEmitter::InvalidateArea(const Particle& p) const {
    // A particle far out must not wrap its far edges around.
    const RECT r = Nuvex::RectOfSize(p.drawX, p.drawY, p.region.width, p.region.height);
    surface_->InvalidateRect(&r, nullptr);
}

// --- drawing ---

void ParticleEmitter::Draw() {
    // 0 when the emitter's mode is out of range; restoring 0 then changes nothing.
    const int oldMode = surface_->SetBlendMode(blendMode_);
    const int width = surface_->GetWidth(), height = surface_->GetHeight();
    for (int i = 0; i < count_;) {
        Particle& p = particles_[i];
        if (p.drawX < -p.region.width || p.drawY < -p.region.height || p.drawX > width ||
            p.drawY > height) {
            Remove(i);
            continue;
        }
        DrawParticle(p);
        ++i;
    }
    surface_->SetBlendMode(oldMode);
}

void ParticleEmitter::DrawParticle(Particle& p) const {
    const uint32_t alpha = ChannelByte(p.colour[3]);
    // Fully transparent: nothing is drawn. Tinted, a packed colour of 0 would
    // read as "no tint" and flash the particle at full opacity at the end of
    // a fade to transparent black.
    if (alpha == 0) return;
    uint32_t tint = 0;
    if (params_.colourTint) {
        tint = alpha << 24 | ChannelByte(p.colour[0]) << 16 | ChannelByte(p.colour[1]) << 8 |
               ChannelByte(p.colour[2]);
    } else {
        p.region.opacity = uint8_t(alpha);
    }
    InvalidateArea(p);
    surface_->DrawTexture(nullptr, p.drawX, p.drawY, 0, 0, tint, 0, &p.region);
}
