#include "ManagerFixture.h"

#include "engine/resources/Animation.h"

#include <cstring>
#include <memory>

using managertest::ManagerTest;

namespace {

struct AnimationDeleter {
    void operator()(IAnimation* animation) const { delete animation; }
};
using AnimationHolder = std::unique_ptr<IAnimation, AnimationDeleter>;

// A script of one frame per attribute text, all read by one load.
std::string Script(const std::string& rootAttributes, const std::vector<std::string>& frames) {
    std::string text = "<animation " + rootAttributes + ">\n";
    for (const std::string& f : frames) text += "  <aniframe " + f + "/>\n";
    return text + "</animation>\n";
}

}   // namespace

class AnimationScriptTest : public ManagerTest {
protected:
    AnimationHolder Load(const std::string& text, const char* resname = "t") {
        return AnimationHolder(
            mgr->LoadAnimationScript(resname, text.data(), uint32_t(text.size())));
    }
};

TEST_F(AnimationScriptTest, PairsSplitLikeTheScanFormat) {
    struct Case {
        std::string offset;
        int x, y;
    };
    // clang-format off
    const std::vector<Case> cases = {
        {"offset=\"3,4\"", 3, 4},       {"offset=\"3, 4\"", 3, 4},   {"offset=\"3,   4\"", 3, 4},
        {"offset=\"7\"", 7, 0},         {"offset=\"\"", 0, 0},       {"", 0, 0},
        {"offset=\",4\"", 0, 0},        {"offset=\"-2, -9\"", -2, -9}, {"offset=\" 5 ,6\"", 5, 6},
        {"offset=\"1x, 2y\"", 1, 2},    {"offset=\"3,\t4\"", 3, 4},
        // Each part keeps at most 31 characters: a number behind 30 spaces is
        // read, one behind 40 is not, and nothing overflows.
        {"offset=\"" + std::string(30, ' ') + "7, 1\"", 7, 1},
        {"offset=\"" + std::string(40, ' ') + "7, 1\"", 0, 1},
        {"offset=\"" + std::string(5000, '9') + "," + std::string(5000, '8') + "\"", INT_MAX, INT_MAX},
    };
    // clang-format on
    std::vector<std::string> frames;
    for (const Case& c : cases) frames.push_back(c.offset);
    AnimationHolder animation = Load(Script("", frames));
    ASSERT_NE(nullptr, animation);
    ASSERT_EQ(int(cases.size()), animation->GetFrameCount());
    for (size_t i = 0; i < cases.size(); ++i) {
        IAnimationFrame* frame = animation->GetFrame(int(i));
        EXPECT_EQ(cases[i].x, frame->GetOffsetX()) << cases[i].offset.substr(0, 60);
        EXPECT_EQ(cases[i].y, frame->GetOffsetY()) << cases[i].offset.substr(0, 60);
    }
}

TEST_F(AnimationScriptTest, QuadruplesAndTheirFallback) {
    struct Case {
        std::string attrs;
        int l, t, w, h;
    };
    const std::vector<Case> cases = {
        {"rectangle=\"1,2,3,4\"", 1, 2, 3, 4},
        {"rectangle=\"1, 2,  3,   4\"", 1, 2, 3, 4},
        {"rectangle=\"1, 2, 3\"", 1, 2, 3, 0},
        {"rectangle=\"1,,3,4\"", 1, 0, 0, 0},
        {"rectangle=\"1,2,3,4,5\"", 1, 2, 3, 4},
        {"texrange=\"5,6,7,8\"", 5, 6, 7, 8},
        {"rectangle=\"\" texrange=\"5,6,7,8\"", 5, 6, 7, 8},
        {"rectangle=\"9,9,9,9\" texrange=\"5,6,7,8\"", 9, 9, 9, 9},
        {"rectangle=\"" + std::string(3000, ',') + "\"", 0, 0, 0, 0},
        {"", 0, 0, 0, 0},
    };
    std::vector<std::string> frames;
    for (const Case& c : cases) frames.push_back(c.attrs);
    AnimationHolder animation = Load(Script("", frames));
    ASSERT_NE(nullptr, animation);
    for (size_t i = 0; i < cases.size(); ++i) {
        IAnimationFrame* frame = animation->GetFrame(int(i));
        EXPECT_EQ(cases[i].l, frame->GetLeft()) << cases[i].attrs.substr(0, 60);
        EXPECT_EQ(cases[i].t, frame->GetTop()) << cases[i].attrs.substr(0, 60);
        EXPECT_EQ(cases[i].w, frame->GetWidth()) << cases[i].attrs.substr(0, 60);
        EXPECT_EQ(cases[i].h, frame->GetHeight()) << cases[i].attrs.substr(0, 60);
    }
}

TEST_F(AnimationScriptTest, NumbersDelaysAndAlpha) {
    struct Case {
        const char* attrs;
        int delay, method, alpha;
    };
    const Case cases[] = {
        {"alpha=\"300\"", 0, 0, 255},
        {"alpha=\"-5\"", 0, 0, 0},
        {"", 0, 0, 0},
        {"alpha=\"12x\" method=\"3\"", 0, 3, 12},
        {"alpha=\"abc\"", 0, 0, 0},
        {"delaytime=\"2\" waittime=\"9\"", 2, 0, 0},
        {"waittime=\"9\"", 9, 0, 0},
        {"delaytime=\"\" waittime=\"9\"", 0, 0, 0},
        {"delaytime=\"-3\"", -3, 0, 0},
        {"delaytime=\" +4\"", 4, 0, 0},
    };
    std::vector<std::string> frames;
    for (const Case& c : cases) frames.push_back(c.attrs);
    AnimationHolder animation = Load(Script("", frames));
    ASSERT_NE(nullptr, animation);
    for (size_t i = 0; i < frames.size(); ++i) {
        IAnimationFrame* frame = animation->GetFrame(int(i));
        EXPECT_EQ(cases[i].delay, frame->GetDelay()) << cases[i].attrs;
        EXPECT_EQ(cases[i].method, frame->GetMethod()) << cases[i].attrs;
        EXPECT_EQ(cases[i].alpha, frame->GetAlpha()) << cases[i].attrs;
    }
}

TEST_F(AnimationScriptTest, NamesAreQualifiedOrDropped) {
    struct Case {
        std::string attrs;
        const char* keyword;
        std::string texture;
        const char* effect;
    };
    const std::vector<Case> cases = {
        {"keyword=\"normal\" texture=\"btn\" effect=\"click\"", "normal", "_GLOBAL.btn",
         "_GLOBAL.click"},
        {"keyword=\"a.b\" texture=\"Skin.btn\" effect=\"Skin.click\"", "", "Skin.btn",
         "Skin.click"},
        {"keyword=\"a/b\" texture=\"a.b.c\" effect=\"a.b.c\"", "", "", ""},
        {"texresname=\"x\"", "", "_GLOBAL.x", ""},
        {"texture=\"\" texresname=\"y\"", "", "_GLOBAL.y", ""},
        {"texture=\"z\" texresname=\"y\"", "", "_GLOBAL.z", ""},
        {"texture=\"" + std::string(70, 'T') + "\"", "",
         ("_GLOBAL." + std::string(70, 'T')).substr(0, 63), ""},
    };
    std::vector<std::string> frames;
    for (const Case& c : cases) frames.push_back(c.attrs);
    AnimationHolder animation = Load(Script("", frames));
    ASSERT_NE(nullptr, animation);
    ASSERT_EQ(int(cases.size()), animation->GetFrameCount());
    for (size_t i = 0; i < cases.size(); ++i) {
        IAnimationFrame* frame = animation->GetFrame(int(i));
        EXPECT_STREQ(cases[i].keyword, frame->GetKeyword()) << cases[i].attrs;
        EXPECT_EQ(cases[i].texture, frame->GetTexture()) << cases[i].attrs;
        EXPECT_STREQ(cases[i].effect, frame->GetEffect()) << cases[i].attrs;
    }
}

TEST_F(AnimationScriptTest, AnimationSizeAndClip) {
    AnimationHolder a = Load(Script("size=\"-5, 7\" clip=\"5\"", {""}));
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(0, a->GetWidth());
    EXPECT_EQ(7, a->GetHeight());
    EXPECT_EQ(1, a->GetClip());
    AnimationHolder b = Load(Script("", {""}));
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(0, b->GetWidth());
    EXPECT_EQ(0, b->GetHeight());
    EXPECT_EQ(0, b->GetClip());
}

TEST_F(AnimationScriptTest, EveryFrameAttributeAtOnce) {
    AnimationHolder a = Load(
        "<animation size=\"32, 16\" clip=\"1\">"
        "<aniframe keyword=\"normal\" delaytime=\"2\" method=\"1\" offset=\"3,   4\" "
        "texture=\"Default.btn\""
        " alpha=\"255\" rectangle=\"0, 0, 32, 16\" effect=\"click\"/>"
        "<aniframe waittime=\"5\" texresname=\"btn\" texrange=\"32,0,32,16\" alpha=\"300\"/>"
        "</animation>");
    ASSERT_NE(nullptr, a);
    ASSERT_EQ(2, a->GetFrameCount());
    IAnimationFrame* f = a->GetFrame(0);
    EXPECT_STREQ("normal", f->GetKeyword());
    EXPECT_EQ(2, f->GetDelay());
    EXPECT_EQ(1, f->GetMethod());
    EXPECT_EQ(3, f->GetOffsetX());
    EXPECT_EQ(4, f->GetOffsetY());
    EXPECT_STREQ("Default.btn", f->GetTexture());
    EXPECT_EQ(255, f->GetAlpha());
    EXPECT_EQ(32, f->GetWidth());
    EXPECT_STREQ("_GLOBAL.click", f->GetEffect());
    IAnimationFrame* g = a->GetFrame(1);
    EXPECT_EQ(5, g->GetDelay());
    EXPECT_STREQ("_GLOBAL.btn", g->GetTexture());
    EXPECT_EQ(32, g->GetLeft());
    EXPECT_EQ(255, g->GetAlpha());
}

TEST_F(AnimationScriptTest, FailureTexts) {
    EXPECT_EQ(nullptr, Load("<other/>"));
    EXPECT_EQ(1u, log.Count("获取动画脚本 t 的数据失败!"));
    EXPECT_EQ(nullptr, Load("<animation size=\"1,1\"><keyframe/></animation>"));
    EXPECT_EQ(1u, log.Count("获取动画脚本 t 的帧数据失败!"));

    log.Clear();
    EXPECT_EQ(nullptr, Load("<animation"));
    ASSERT_EQ(2u, log.Lines().size());
    EXPECT_EQ(0u, log.Lines()[0].find("Can't load animate script! #"));
    EXPECT_EQ("RESNAME: t FILENAME: MEMORY", log.Lines()[1]);

    log.Clear();
    std::string missing = temp.Join("none.xml");
    EXPECT_EQ(nullptr, mgr->LoadAnimationScript("t", missing.c_str(), 0));
    EXPECT_EQ(1u, log.Count("Can't load animate script! #cannot open file " + missing + "."));
    EXPECT_EQ(1u, log.Count("RESNAME: t FILENAME: " + missing));

    EXPECT_EQ(nullptr, mgr->LoadAnimationScript("t", nullptr, 5));
    EXPECT_EQ(1u, log.Count("加载动画脚本 t 时出现异常!"));

    mgr->ClearAll();   // the manager's parser goes with it
    EXPECT_EQ(nullptr, Load(Script("", {""})));
    EXPECT_EQ(1u, log.Count("创建动画解析器失败! t"));
}

TEST_F(AnimationScriptTest, ScriptFromAFile) {
    std::string path = Write("a.xml", Script("size=\"2,3\"", {"keyword=\"k\"", "keyword=\"k\""}));
    AnimationHolder a(mgr->LoadAnimationScript("t", path.c_str(), 0));
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(2, a->GetFrameCount());
    EXPECT_EQ(3, a->GetHeight());
}

TEST(AnimationFrames, InsertDeleteAndFind) {
    testsupport::LogCapture log;
    Animation a;
    EXPECT_EQ(nullptr, a.InsertFrame(1));
    EXPECT_EQ(nullptr, a.InsertFrame(-2));
    EXPECT_EQ(2u, log.Count("无法在无效位置创建动画单元帧."));
    IAnimationFrame* b = a.InsertFrame(0);
    ASSERT_NE(nullptr, b);
    b->SetKeyword("b");
    a.InsertFrame(-1)->SetKeyword("d");
    a.InsertFrame(0)->SetKeyword("a");
    a.InsertFrame(2)->SetKeyword("c");   // before "d"
    EXPECT_EQ(nullptr, a.InsertFrame(4));
    ASSERT_EQ(4, a.GetFrameCount());
    const char* order[] = {"a", "b", "c", "d"};
    for (int i = 0; i < 4; ++i) EXPECT_STREQ(order[i], a.GetFrameKeyword(i));
    EXPECT_EQ(nullptr, a.GetFrameKeyword(4));
    EXPECT_EQ(nullptr, a.GetFrame(-1));

    a.GetFrame(3)->SetKeyword("b");
    EXPECT_EQ(1, a.FindFrame("b", 0));
    EXPECT_EQ(3, a.FindFrame("b", 2));
    EXPECT_EQ(-1, a.FindFrame("b", 4));
    EXPECT_EQ(-1, a.FindFrame("zz", 0));
    EXPECT_EQ(-1, a.FindFrame(nullptr, 0));
    EXPECT_EQ(2, a.CountFrames("b", 0));
    EXPECT_EQ(1, a.CountFrames("b", 2));
    EXPECT_EQ(3, a.CountFrames(nullptr, 1));
    EXPECT_EQ(0, a.CountFrames(nullptr, 4));
    EXPECT_EQ(0, a.CountFrames(nullptr, -1));

    EXPECT_EQ(0, a.DeleteFrame(4));
    EXPECT_EQ(0, a.DeleteFrame(-1));
    EXPECT_EQ(2u, log.Count("无法删除无效位置的动画单元帧.#1"));
    EXPECT_EQ(1, a.DeleteFrame(0));
    EXPECT_STREQ("b", a.GetFrameKeyword(0));
    EXPECT_EQ(3, a.GetPlayLength());
    EXPECT_EQ(1, a.ClearFrames());
    EXPECT_EQ(0, a.GetFrameCount());
}

TEST(AnimationFrames, SizesFieldsAndTexts) {
    Animation a;
    EXPECT_EQ(0, a.GetFrameWidth(0));
    IAnimationFrame* f = a.InsertFrame(-1);
    EXPECT_EQ(0, f->SetWidth(20));
    EXPECT_EQ(20, f->SetWidth(10));
    f->SetHeight(6);
    EXPECT_EQ(10, a.GetFrameWidth(0));
    EXPECT_EQ(6, a.GetFrameHeight(0));
    EXPECT_EQ(0, a.GetFrameWidth(1));
    EXPECT_EQ(0, a.SetWidth(-4));
    EXPECT_EQ(0, a.GetWidth());
    a.SetWidth(40);
    EXPECT_EQ(40, a.GetFrameWidth(0));
    EXPECT_EQ(40, a.GetFrameWidth(7));
    EXPECT_EQ(0, a.SetClip(9));
    EXPECT_EQ(1, a.GetClip());

    EXPECT_EQ(0, f->SetAlpha(7));
    EXPECT_EQ(7, f->SetAlpha(9));
    f->SetTexture(std::string(100, 'x').c_str());
    EXPECT_EQ(63u, std::strlen(f->GetTexture()));
    EXPECT_EQ(1, f->HasTexture());
    f->SetTexture(nullptr);
    EXPECT_STREQ("", f->GetTexture());
    EXPECT_EQ(0, f->HasTexture());
    EXPECT_EQ(0, f->HasEffect());
    EXPECT_EQ(0, f->HasKeyword());
}
