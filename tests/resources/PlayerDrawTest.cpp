#include <gtest/gtest.h>

#include "engine/graphics/ISurface.h"
#include "engine/resources/AnimationPlayer.h"

#include <vector>

namespace {

// Records the calls a player makes instead of drawing.
class RecordingSurface : public ISurface {
public:
    struct Draw {
        bool clipped;
        RECT clip;
        int x, y, w, h;
        uint32_t tint, background;
        TextureRegion region;
        int modeAtDraw;
    };
    int SetBlendMode(uint32_t mode) override {
        if (mode < 1 || mode > 4) return 0;
        int old = mode_;
        mode_ = int(mode);
        modes.push_back(mode_);
        return old;
    }
    int DrawTexture(const RECT* clip, int x, int y, int w, int h, uint32_t tint,
                    uint32_t background, const TextureRegion* region) override {
        draws.push_back(
            {clip != nullptr, clip ? *clip : RECT{}, x, y, w, h, tint, background, *region, mode_});
        return 1;
    }
    std::vector<Draw> draws;
    std::vector<int> modes;
    int mode_ = 1;
};

PlayerFrame* Frame(int method, uint32_t texture, int alpha) {
    PlayerFrame* f = PlayerFramePool::Take();
    f->method = method;
    f->texture = texture;
    f->left = 1;
    f->top = 2;
    f->width = 10;
    f->height = 20;
    f->alpha = uint32_t(alpha);
    f->offsetX = 3;
    f->offsetY = 4;
    return f;
}

}   // namespace

TEST(PlayerDraw, RecordsTheCurrentFrameAsARegion) {
    RecordingSurface surface;
    AnimationPlayer player;
    EXPECT_EQ(0, player.Draw(&surface, 0, 0, 0, 0));   // nothing bound
    player.AddFrame(Frame(0, 7, 200));
    player.AddFrame(Frame(3, 8, 255));
    player.SetFrame(0, 1, 1);
    EXPECT_EQ(0, player.Draw(nullptr, 0, 0, 0, 0));
    EXPECT_EQ(1, player.IsChanged());

    EXPECT_EQ(1, player.Draw(&surface, 100, 50, 0, 0));
    EXPECT_EQ(0, player.IsChanged());
    ASSERT_EQ(1u, surface.draws.size());
    const RecordingSurface::Draw& d = surface.draws[0];
    EXPECT_FALSE(d.clipped);
    EXPECT_EQ(103, d.x);
    EXPECT_EQ(54, d.y);
    EXPECT_EQ(0, d.w);
    EXPECT_EQ(0, d.h);
    EXPECT_EQ(0u, d.tint);
    EXPECT_EQ(7u, d.region.texture);
    EXPECT_EQ(1, d.region.x);
    EXPECT_EQ(2, d.region.y);
    EXPECT_EQ(10, d.region.width);
    EXPECT_EQ(20, d.region.height);
    EXPECT_EQ(200, d.region.opacity);
    EXPECT_TRUE(surface.modes.empty());   // method 0 keeps the surface's mode

    // Method 3 for this draw only, stretched.
    player.SetFrame(1, 1, 0);
    EXPECT_EQ(1, player.Draw(&surface, 0, 0, 40, 30));
    ASSERT_EQ(2u, surface.draws.size());
    EXPECT_EQ(3, surface.draws[1].modeAtDraw);
    EXPECT_EQ(40, surface.draws[1].w);
    EXPECT_EQ((std::vector<int>{3, 1}), surface.modes);
}

TEST(PlayerDraw, ClipsToThePlayerSizeWhenAsked) {
    RecordingSurface surface;
    AnimationPlayer player;
    std::deque<PlayerFrame*> frames = {Frame(0, 1, 255)};
    player.ReplaceFrames(frames, 16, 12, 1);
    EXPECT_EQ(1, player.Draw(&surface, 5, 6, 0, 0));
    ASSERT_EQ(1u, surface.draws.size());
    ASSERT_TRUE(surface.draws[0].clipped);
    EXPECT_EQ(5, surface.draws[0].clip.left);
    EXPECT_EQ(6, surface.draws[0].clip.top);
    EXPECT_EQ(21, surface.draws[0].clip.right);
    EXPECT_EQ(18, surface.draws[0].clip.bottom);
}
