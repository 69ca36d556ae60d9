// The particle emitter on a surface without a window: emission and its clock,
// movement, degenerate particles and what a draw records.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/core/Random.h"
#include "engine/graphics/CanvasDC.h"
#include "engine/graphics/ISurface.h"
#include "engine/graphics/ParticleEmitter.h"

namespace {

class Emitter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, surface.Resize(100, 80));
        Nuvex::SetRandomSeed(1);
    }
    // Running at (50, 40); with `one`, holding exactly one particle and
    // emitting no more.
    std::unique_ptr<ParticleEmitter> Make(bool one = false) {
        if (one) params.rate = 1;
        std::unique_ptr<ParticleEmitter> e(
            surface.CreateEmitter(&params, sizeof params, &region, 0, 0));
        e->StartAt(50, 40);
        if (one) e->Update(1.0f), e->GetParams()->rate = 0;
        return e;
    }
    ISurface surface;
    TextureRegion region = {7, 0, 0, 4, 4, 255, {0, 0, 0}};
    EmitterParams params = {{}, 0, -1, 10,           10,           0, 0, 0, 0, 0, 0, 0, 0,
                            0,  0, 0,  {1, 1, 1, 1}, {1, 1, 1, 1}, 0, 0, 0};
};

}   // namespace

TEST_F(Emitter, CarryClockAndStop) {
    params.rate = 10;   // at 0.05 s a step: one particle every second update
    std::unique_ptr<ParticleEmitter> e = Make();
    for (int update = 1; update <= 8; ++update) {
        e->Update(0.05f);
        EXPECT_EQ(update / 2, e->GetCount()) << update;
    }
    // A 1 s emitter at rate 4 in quarter-second updates after a first frame
    // time: the update reaching 1.0 emits nothing, and the particles live
    // on. A frame time that is not finite, or negative, counts as none.
    for (float first : {0.0f, NAN, -0.5f, INFINITY}) {
        e->Stop(1);
        e->GetParams()->rate = 4, e->GetParams()->duration = 1;
        e->Restart();
        e->Update(first);
        for (int i = 0; i < 20; ++i) e->Update(0.25f);
        EXPECT_EQ(ParticleEmitter::kStopped, e->GetTimer()) << first;
        EXPECT_EQ(3, e->GetCount()) << first;
    }
    e->GetParams()->duration = -1;
    e->Restart();
    for (int i = 0; i < 8; ++i) e->Update(0.25f);
    EXPECT_EQ(ParticleEmitter::kEndless, e->GetTimer());
    EXPECT_EQ(0, e->Stop(0));
    EXPECT_EQ(11, e->Stop(1));   // Stop(0) kept them
    EXPECT_EQ(0, e->GetCount());
}

TEST_F(Emitter, VelocityIsAddedOncePerUpdateAndNothingPushesOnTheEmitter) {
    params.speedMin = params.speedMax = params.radialAccelMin = params.radialAccelMax = 3;
    params.tangentialAccelMin = params.tangentialAccelMax = 3;
    std::unique_ptr<ParticleEmitter> e = Make(true);   // direction 0 points up
    const Particle& p = e->Particles()[0];
    const float y = p.posY;
    for (float dt : {0.01f, 0.5f, 0.0f}) {
        e->SetPosition(p.posX, p.posY, 0);   // exactly on it: no direction, no NaN
        e->Update(dt);
    }
    EXPECT_NEAR(0.0f, p.velX, 1e-6f);
    EXPECT_EQ(-3.0f, p.velY);
    EXPECT_EQ(y - 9, p.posY);
}

TEST_F(Emitter, NoLifetimeOrNoEndMakesNoNanNorOverflow) {
    params.endColour[3] = 0;
    for (float life : {0.0f, -1.0f}) {
        params.lifetimeMin = params.lifetimeMax = life;
        std::unique_ptr<ParticleEmitter> e = Make(true);
        EXPECT_EQ(0.0f, e->Particles()[0].delta[3]);   // no colour change
        e->Update(0);
        EXPECT_EQ(0, e->GetCount()) << life;   // gone at the next update
    }
    // Flying off, never drawn: the drawing position holds at the int limit.
    params.lifetimeMin = params.lifetimeMax = 10, params.speedMin = params.speedMax = 3e38f;
    params.direction = float(M_PI);   // down
    std::unique_ptr<ParticleEmitter> e = Make(true);
    for (int i = 0; i < 3; ++i) e->Update(0.1f);
    EXPECT_EQ(INT32_MAX, e->Particles()[0].drawY);
}

TEST_F(Emitter, NewParticlesSpreadAlongThePathTheEmitterTravelled) {
    params.rate = 100;
    std::unique_ptr<ParticleEmitter> e = Make();
    e->SetPosition(0, 40, 0);
    e->Update(0.1f);   // ten along the way from (50, 40) to (0, 40)
    e->Update(0.1f);   // ten where the emitter stands now, not where the last one was born
    EXPECT_GT(std::abs(e->Particles()[0].posX - e->Particles()[9].posX), 5);
    for (int i = 10; i < 20; ++i) EXPECT_NEAR(0, e->Particles()[i].posX, 2) << i;
}

TEST_F(Emitter, ThirteenDrawsPerParticleInAFixedOrder) {
    params.lifetimeMin = 1, params.lifetimeMax = 2, params.speedMin = 3, params.speedMax = 4;
    params.alphaVariation = 1;
    params.startColour[3] = 0.2f, params.endColour[3] = 0.6f;
    Nuvex::SetRandomSeed(77);
    const Particle p = Make(true)->Particles()[0];
    Nuvex::SetRandomSeed(77);
    float v[14];   // lifetime, path, jitter x, y, spread, speed, three accelerations, A, R, G, B
    for (float& f : v) f = Nuvex::RandomFloat(0, 1);
    EXPECT_FLOAT_EQ(1 + v[0], p.lifetime);
    EXPECT_FLOAT_EQ(-3 - v[5], p.velY);
    EXPECT_FLOAT_EQ(0.2f + 0.4f * v[9], p.colour[3]);
    Nuvex::SetRandomSeed(77);
    Make(true);
    EXPECT_EQ(v[13], Nuvex::RandomFloat(0, 1));   // thirteen draws for the particle
}

TEST_F(Emitter, DrawRecordsTheClampedColourAndNothingWhenFaded) {
    // Tint flag, colour R, G, B, A; recorded tint and opacity (none: no draw).
    struct Row {
        int tint;
        float colour[4];
        uint32_t wantTint, opacity;
    };
    const Row rows[] = {
        {1, {1, 0.5f, 0, 1}, 0xFFFF7F00, 255},
        {1, {2, -1, 0.5f, 3}, 0xFFFF007F, 255},   // no channel bleeds into the next
        {1, {0, 0, 0, 0}, 0, 0},                  // faded to transparent black
        {0, {1, 1, 1, 0.5f}, 0, 127},
    };
    for (const Row& row : rows) {
        params.colourTint = row.tint;
        for (int c = 0; c < 4; ++c) params.startColour[c] = params.endColour[c] = row.colour[c];
        ASSERT_EQ(1, surface.BeginScene(0));
        Make(true)->Draw();
        CanvasCommandView v = {};
        ASSERT_EQ(row.opacity ? 1u : 0u, surface.WindowCanvas()->CommandCount()) << row.tint;
        if (surface.WindowCanvas()->ViewCommand(0, &v)) {
            EXPECT_EQ(row.wantTint, uint32_t(v.params[2]));
            EXPECT_EQ(row.opacity, v.texture->opacity);
        }
        surface.EndScene();
    }
}

TEST_F(Emitter, MovedParticlesFollowAndBeyondTheSurfaceEdgeAreCulled) {
    // Drawing positions on the 100 x 80 surface, with a 4 x 4 region.
    const int rows[][3] = {{100, 10, 1}, {101, 10, 0}, {10, 80, 1}, {10, 81, 0},
                           {-4, 10, 1},  {-5, 10, 0},  {10, -4, 1}, {10, -5, 0}};
    for (const auto& row : rows) {
        std::unique_ptr<ParticleEmitter> e = Make(true);
        const Particle& p = e->Particles()[0];
        // Half a pixel inside the wanted one: positions truncate toward zero.
        const float dx = row[0] + (row[0] < 0 ? -0.5f : 0.5f) - p.posX;
        const float dy = row[1] + (row[1] < 0 ? -0.5f : 0.5f) - p.posY;
        e->SetPosition(50 + dx, 40 + dy, 1);
        e->Update(0);
        ASSERT_EQ(row[0], p.drawX);
        e->Draw();
        EXPECT_EQ(row[2], e->GetCount()) << row[0] << "," << row[1];
    }
}
