#include "ManagerFixture.h"

#include "engine/resources/Animation.h"
#include "engine/resources/AnimationPlayer.h"

using managertest::ManagerTest;
using managertest::TinyTga;

namespace {

// A player holding `count` frames with the given delay, frame i `i` wide.
void Fill(AnimationPlayer& player, int count, int delay) {
    for (int i = 0; i < count; ++i) {
        PlayerFrame* frame = PlayerFramePool::Take();
        ASSERT_NE(nullptr, frame);
        frame->delay = delay;
        frame->width = i + 1;
        frame->height = 10 * (i + 1);
        ASSERT_EQ(1, player.AddFrame(frame));
    }
}

}   // namespace

TEST(AnimationPlayerFrames, SetFrameWrapsAndFlagsChanges) {
    AnimationPlayer player;
    EXPECT_EQ(0, player.SetFrame(2, 1, 1));
    EXPECT_EQ(0, player.IsChanged());
    Fill(player, 4, 0);

    struct Case {
        int index;
        int expected;
    };
    for (const Case& c :
         {Case{5, 1}, Case{-1, 3}, Case{-5, 3}, Case{4, 0}, Case{2, 2}, Case{-8, 0}})
        EXPECT_EQ(c.expected, player.SetFrame(c.index, 1, 0)) << c.index;

    player.SetFrame(1, 1, 0);
    EXPECT_EQ(1, player.IsChanged());
    player.SetFrame(1, 1, 0);
    EXPECT_EQ(0, player.IsChanged());
    player.SetFrame(5, 1, 1);   // the same frame, forced
    EXPECT_EQ(1, player.IsChanged());
    player.ClearChanged();
    EXPECT_EQ(0, player.IsChanged());
}

TEST(AnimationPlayerFrames, StepTraceWithDelaysAndACount) {
    AnimationPlayer player;
    Fill(player, 4, 2);
    player.SetFrame(0, 1, 0);
    EXPECT_EQ(0, player.Step(1));   // stopped after creation
    player.Play(3, 1);
    const int results[] = {1, 1, 1, 1, 1, 1, 1, 1, 0};
    const int frames[] = {0, 0, 1, 1, 1, 2, 2, 2, 2};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(results[i], player.Step(1)) << "step " << i + 1;
        EXPECT_EQ(frames[i], player.GetCurrent()) << "step " << i + 1;
    }
    EXPECT_EQ(0, player.GetRemaining());
    EXPECT_EQ(0, player.IsPlaying());
    EXPECT_EQ(0, player.Step(1));
    EXPECT_EQ(2, player.GetCurrent());
}

TEST(AnimationPlayerFrames, EndlessWrapStepSizeAndNegativeDelay) {
    AnimationPlayer player;
    Fill(player, 3, -4);   // a negative delay acts as none
    player.SetFrame(0, 1, 0);
    player.Play(-1, 1);
    for (int expected : {1, 2, 0, 1, 2, 0}) {
        EXPECT_EQ(1, player.Step(1));
        EXPECT_EQ(expected, player.GetCurrent());
    }
    player.Play(-1, 2);
    for (int expected : {2, 1, 0}) {
        EXPECT_EQ(1, player.Step(1));
        EXPECT_EQ(expected, player.GetCurrent());
    }
    player.Stop();
    EXPECT_EQ(0, player.Step(1));
    EXPECT_EQ(0, player.GetCurrent());
}

TEST(AnimationPlayerFrames, SizesAndCurrentFrame) {
    AnimationPlayer player;
    EXPECT_EQ(nullptr, player.CurrentFrame());
    EXPECT_EQ(0, player.GetWidth(1));
    Fill(player, 3, 0);
    player.SetFrame(2, 1, 0);
    EXPECT_EQ(3, player.GetWidth(1));
    EXPECT_EQ(30, player.GetHeight(1));
    EXPECT_EQ(0, player.GetWidth(0));
    EXPECT_EQ(player.GetFrame(2), player.CurrentFrame());
    EXPECT_EQ(nullptr, player.GetFrame(3));
    EXPECT_EQ(nullptr, player.GetFrame(-1));
    EXPECT_EQ(0, player.AddFrame(nullptr));
}

TEST(AnimationPlayerFrames, ReleasedFramesAreRecycledCleared) {
    const size_t before = PlayerFramePool::Pooled();
    {
        AnimationPlayer player;
        Fill(player, 4, 9);
        player.Play(5, 1);
        player.ReleaseFrames();
        EXPECT_EQ(before + 4, PlayerFramePool::Pooled());
        EXPECT_EQ(0, player.GetFrameCount());
        EXPECT_EQ(1, player.IsStopped());
        EXPECT_EQ(0, player.GetRemaining());
        Fill(player, 1, 0);
    }   // the destructor gives the last frame back too
    EXPECT_EQ(before + 4, PlayerFramePool::Pooled());
    PlayerFrame* reused = PlayerFramePool::Take();
    ASSERT_NE(nullptr, reused);
    EXPECT_EQ(before + 3, PlayerFramePool::Pooled());
    EXPECT_EQ(0, reused->delay);
    EXPECT_EQ(0, reused->width);
    PlayerFramePool::Give(reused);
}

class BindTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        ASSERT_EQ(1, AddPath(RESOURCE_TEXTURE, "_GLOBAL.tex",
                             Write("tex.tga", TinyTga(8, 4, 0xFF000000)), 1));
        std::string four = "<animation size=\"0, 0\" clip=\"1\">";
        for (int i = 0; i < 4; ++i) {
            four += "<aniframe texture=\"tex\" delaytime=\"" + std::to_string(i) +
                    "\" method=\"2\""
                    " offset=\"1, 2\" alpha=\"128\" rectangle=\"" +
                    std::to_string(i) + ", 0, " + std::to_string(i + 5) +
                    ", 3\" effect=\"click\"/>";
        }
        four += "</animation>";
        AddScript("four", four);
        AddScript("sized",
                  "<animation size=\"20, 30\"><aniframe texture=\"tex\" "
                  "rectangle=\"0,0,2,2\"/></animation>");
        AddScript("gap",
                  "<animation><aniframe texture=\"tex\"/><aniframe texture=\"nope\"/>"
                  "<aniframe texture=\"tex\"/></animation>");
        AddScript("bare", "<animation><aniframe/></animation>");
    }
    void AddScript(const char* name, const std::string& text) {
        ASSERT_EQ(1, AddPath(RESOURCE_ANIMATION, (std::string("_GLOBAL.") + name).c_str(),
                             Write(std::string(name) + ".xml", text), 1));
    }
    AnimationPlayer player;
};

TEST_F(BindTest, RangesOfFirstAndCount) {
    const std::string range1 = "创建动画时指定的帧超出了名称为 four 的动画资源有效帧范围.#1";
    const std::string range2 = "创建动画时指定的帧超出了名称为 four 的动画资源有效帧范围.#2";
    EXPECT_EQ(1, mgr->BindAnimation(&player, "four", 2, 2));
    ASSERT_EQ(2, player.GetFrameCount());
    EXPECT_EQ(2, player.GetFrame(0)->left);
    EXPECT_EQ(3, player.GetFrame(1)->left);

    EXPECT_EQ(0, mgr->BindAnimation(&player, "four", 3, 2));
    EXPECT_EQ(1u, log.Count(range2));
    EXPECT_EQ(0, mgr->BindAnimation(&player, "four", 4, 1));
    EXPECT_EQ(0, mgr->BindAnimation(&player, "four", -1, 1));
    EXPECT_EQ(2u, log.Count(range1));
    EXPECT_EQ(0, mgr->BindAnimation(&player, "four", 1, 0));
    EXPECT_EQ(2u, log.Count(range2));
    EXPECT_EQ(2, player.GetFrameCount());   // refused binds change nothing

    EXPECT_EQ(1, mgr->BindAnimation(&player, "four", 0, 0));
    EXPECT_EQ(4, player.GetFrameCount());
    EXPECT_EQ(1, mgr->BindAnimation(&player, "four", 0, 99));
    EXPECT_EQ(4, player.GetFrameCount());
}

TEST_F(BindTest, BoundFramesCopyTheFrameData) {
    ResourceRecord* tex = mgr->Lookup(RESOURCE_TEXTURE, "tex");
    ASSERT_NE(nullptr, tex);
    player.Play(-1, 1);
    ASSERT_EQ(1, mgr->BindAnimation(&player, "four", 0, 0));
    EXPECT_EQ(1, player.IsStopped());
    EXPECT_EQ(0, player.GetCurrent());
    EXPECT_EQ(0, player.GetRemaining());
    const PlayerFrame* f = player.GetFrame(3);
    EXPECT_EQ(3, f->delay);
    EXPECT_EQ(2, f->method);
    EXPECT_EQ(tex->Handle(), f->texture);
    EXPECT_EQ(3, f->left);
    EXPECT_EQ(0, f->top);
    EXPECT_EQ(8, f->width);
    EXPECT_EQ(3, f->height);
    EXPECT_EQ(128u, f->alpha);
    EXPECT_EQ(1, f->offsetX);
    EXPECT_EQ(2, f->offsetY);
    EXPECT_EQ(0u, f->effect);   // no audio library: the effect never loads
    // Sized from the first bound frame when the animation has no size.
    EXPECT_EQ(5, player.GetWidth(0));
    EXPECT_EQ(3, player.GetHeight(0));
    EXPECT_EQ(1, player.GetClip());

    ASSERT_EQ(1, mgr->BindAnimation(&player, "sized", 0, 0));
    EXPECT_EQ(20, player.GetWidth(0));
    EXPECT_EQ(30, player.GetHeight(0));
    EXPECT_EQ(0, player.GetClip());
}

// A failed bind leaves the player as it was, not half bound.
TEST_F(BindTest, AMissingFrameTextureKeepsThePreviousFrames) {
    ASSERT_EQ(1, mgr->BindAnimation(&player, "four", 0, 0));
    AnimationPlayer spare;   // leaves records in the pool for the failing bind
    ASSERT_EQ(1, mgr->BindAnimation(&spare, "four", 0, 0));
    spare.ReleaseFrames();
    const size_t pooled = PlayerFramePool::Pooled();
    EXPECT_EQ(0, mgr->BindAnimation(&player, "gap", 0, 0));
    EXPECT_EQ(1u, log.Count("创建动画 gap 第 2 帧时失败, 找不到纹理资源(resname=_GLOBAL.nope)!"));
    EXPECT_EQ(4, player.GetFrameCount());
    EXPECT_EQ(5, player.GetWidth(0));
    EXPECT_EQ(1, player.GetClip());
    EXPECT_EQ(pooled, PlayerFramePool::Pooled());   // the frame taken for frame 1 went back

    EXPECT_EQ(0, mgr->BindAnimation(&player, "bare", 0, 0));
    EXPECT_EQ(1u, log.Count("创建动画 bare 第 1 帧时失败, 找不到纹理资源(resname=(null))!"));
    EXPECT_EQ(4, player.GetFrameCount());
}

TEST_F(BindTest, MissingAndEmptyAnimations) {
    EXPECT_EQ(0, mgr->BindAnimation(&player, "nothing", 0, 0));
    EXPECT_EQ(1u, log.Count("创建动画时在资源管理器中未找到名称为 nothing 的动画资源.#1"));

    ResourceRecord* record = NewResourceRecord("");
    record->object = static_cast<IAnimation*>(new Animation());
    ASSERT_EQ(1, mgr->Add(RESOURCE_ANIMATION, "_GLOBAL.empty", record, 1));
    EXPECT_EQ(0, mgr->BindAnimation(&player, "empty", 0, 0));
    EXPECT_EQ(1u, log.Count("创建动画失败, 指定名称为 empty 的动画资源帧数据为空."));
    EXPECT_EQ(0, mgr->BindAnimation(nullptr, "four", 0, 0));
}

TEST_F(BindTest, BindTextureCutsOneRegion) {
    ResourceRecord* tex = mgr->Lookup(RESOURCE_TEXTURE, "tex");
    ASSERT_NE(nullptr, tex);
    ASSERT_EQ(1, mgr->BindTexture(&player, "tex", 3, 2, 0, 0, 5, 6, 0x1FF, 4));
    ASSERT_EQ(1, player.GetFrameCount());
    const PlayerFrame* f = player.GetFrame(0);
    EXPECT_EQ(0, f->left);   // a zero size means the whole texture
    EXPECT_EQ(0, f->top);
    EXPECT_EQ(8, f->width);
    EXPECT_EQ(4, f->height);
    EXPECT_EQ(0xFFu, f->alpha);
    EXPECT_EQ(4, f->method);
    EXPECT_EQ(5, f->offsetX);
    EXPECT_EQ(6, f->offsetY);
    EXPECT_EQ(tex->Handle(), f->texture);
    EXPECT_EQ(8, player.GetWidth(0));
    EXPECT_EQ(4, player.GetHeight(0));
    EXPECT_EQ(0, player.GetClip());

    ASSERT_EQ(1, mgr->BindTexture(&player, "tex", 1, 2, 3, 0, 0, 0, 255, 0));
    f = player.GetFrame(0);
    EXPECT_EQ(1, f->left);
    EXPECT_EQ(0, f->top);
    EXPECT_EQ(3, f->width);
    EXPECT_EQ(4, f->height);

    EXPECT_EQ(0, mgr->BindTexture(&player, "nope", 0, 0, 0, 0, 0, 0, 255, 0));
    EXPECT_EQ(1u, log.Count("创建动画时在资源管理器中未找到名称为 nope 的纹理资源.#1"));
    EXPECT_EQ(3, player.GetFrame(0)->width);   // the earlier binding stays
}
