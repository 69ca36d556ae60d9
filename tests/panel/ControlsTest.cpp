// The button's states and clicks, and the nine-piece panel's layout, with
// the panel's own skin.
#include "ControlFixture.h"

#include "engine/gui/GuiCodes.h"
#include "panel/NinePiecePanel.h"
#include "panel/PanelCodes.h"
#include "panel/SkinStyles.h"
#include "panel/uiButton.h"

namespace {

// A record cutting the given pieces of the list texture, each `sizes[i]`
// large (0 x 0: absent).
NinePieceRecord Pieces(const int (&sizes)[kPieceCount][2]) {
    NinePieceRecord r = {};
    for (int i = 0; i < kPieceCount; ++i) {
        r.origin[i][0] = 10 * i, r.origin[i][1] = 23;
        r.size[i][0] = sizes[i][0], r.size[i][1] = sizes[i][1];
        r.present[i] = sizes[i][0] > 0;
    }
    r.style = skin::kListTexture;
    return r;
}

}   // namespace

TEST_F(ControlTest, NinePiecesLayOutCornersAtTheirSizeAndStretchTheRest) {
    // The list's three pieces: the insets come from the edges alone.
    NinePiecePanel* list = Attached(new NinePiecePanel);
    const int three[kPieceCount][2] = {{}, {484, 43}, {}, {}, {484, 22}, {}, {}, {}, {484, 23}};
    EXPECT_EQ(0, list->CreatePieces(Pieces(three)));
    list->Resize(484, 88);
    EXPECT_EQ((std::array<int, 4>{0, 0, 484, 43}), Box(list->Piece(kPieceTopEdge)));
    EXPECT_EQ((std::array<int, 4>{0, 43, 484, 65}), Box(list->Piece(kPieceCentre)));
    EXPECT_EQ((std::array<int, 4>{0, 65, 484, 88}), Box(list->Piece(kPieceBottomEdge)));
    EXPECT_EQ(list->Piece(kPieceCentre), list->GetChild(nullptr));   // drawn first
    EXPECT_EQ(3, list->GetChildCount());
    EXPECT_FALSE(list->Piece(kPieceTopEdge)->IsHitTestable());

    // Nine pieces with corners of four sizes.
    NinePiecePanel* panel = Attached(new NinePiecePanel);
    const int nine[kPieceCount][2] = {{10, 8}, {4, 6},  {6, 12}, {3, 4}, {5, 5},
                                      {7, 4},  {12, 5}, {7, 9},  {4, 3}};
    panel->CreatePieces(Pieces(nine));
    panel->Resize(100, 50);
    const std::array<int, 4> expected[kPieceCount] = {
        {0, 0, 10, 8},    {10, 0, 94, 6},  {94, 0, 100, 12},  {0, 8, 3, 45},   {10, 8, 94, 45},
        {93, 8, 100, 45}, {0, 45, 12, 50}, {93, 41, 100, 50}, {10, 47, 94, 50}};
    for (int i = 0; i < kPieceCount; ++i) EXPECT_EQ(expected[i], Box(panel->Piece(i))) << i;

    // A piece that cannot be made is not kept: with no texture, none is.
    NinePiecePanel* bare = Attached(new NinePiecePanel);
    NinePieceRecord missing = Pieces(nine);
    missing.style = "Default.nosuchtexture";
    EXPECT_EQ(0, bare->CreatePieces(missing));
    bare->Resize(40, 40);
    for (int i = 0; i < kPieceCount; ++i) EXPECT_EQ(nullptr, bare->Piece(i));
    EXPECT_EQ(0, bare->GetChildCount());
}

TEST_F(ControlTest, TheButtonShowsItsStateAndFiresOncePerClickWhileEnabled) {
    Listener* listener = Attached(new Listener, 600, 200);
    uiButton* button = new uiButton;
    ASSERT_EQ(1, button->Create("button", skin::kCancelButton, listener));
    listener->AddChild(button, 10, 10);
    EXPECT_STREQ("uiButton", button->GetRuntimeClass()->name);
    EXPECT_EQ(4, button->GetFrameCount());
    GuiShell& shell = Shell();

    // Each step, then the frame it shows and the clicks heard so far.
    struct Step {
        const char* what;
        std::function<void()> action;
        int frame;
        size_t clicks;
    };
    const Step steps[] = {
        {"disabled", [&] { button->Enable(0); }, 3, 0},
        {"hovered while disabled", [&] { shell.SetHover(button); }, 3, 0},
        {"clicked while disabled", [&] { button->OnLButton(1, 1, GUI_BUTTON_CLICK); }, 3, 0},
        {"enabled under the mouse", [&] { button->Enable(1); }, 1, 0},
        {"pressed",
         [&] {
             button->OnLButton(1, 1, GUI_BUTTON_DOWN);
             shell.SetLeftCapture(button, 1);
         },
         2, 0},
        {"left while held", [&] { shell.SetHover(nullptr); }, 2, 0},
        {"back while held", [&] { shell.SetHover(button); }, 2, 0},
        {"released",
         [&] {
             shell.SetLeftCapture(nullptr, 0);
             button->OnLButton(1, 1, GUI_BUTTON_UP);
         },
         1, 0},
        {"clicked", [&] { button->OnLButton(1, 1, GUI_BUTTON_CLICK); }, 1, 1},
        {"double-click without the flag", [&] { button->OnLButton(1, 1, GUI_BUTTON_DOUBLE_CLICK); },
         1, 1},
        {"left", [&] { shell.SetHover(nullptr); }, 0, 1},
        {"pressed, released elsewhere",
         [&] {
             button->OnLButton(1, 1, GUI_BUTTON_DOWN);
             button->OnLButton(0, 0, GUI_BUTTON_CAPTURE_LOST);
         },
         0, 1},
    };
    for (const Step& step : steps) {
        step.action();
        EXPECT_EQ(step.frame, button->ShownState()) << step.what;
        EXPECT_EQ(step.clicks, listener->Count(GUI_NOTIFY_BUTTON_CLICK)) << step.what;
    }
    for (const Note& note : listener->notes) {
        if (note.code != GUI_NOTIFY_BUTTON_CLICK) continue;
        EXPECT_EQ(button, note.sender);
        EXPECT_EQ(1u, note.wParam);
        EXPECT_EQ(0, note.lParam);
    }
}

TEST(Button, AutoRepeatCountsElapsedTicksAcrossTheTickCountsWrap) {
    const struct {
        uint32_t press, now;
        bool due;
    } cases[] = {
        {1000, 1500, false},        {1000, 1501, true},           {0xFFFFFF00u, 0xF4u, false},
        {0xFFFFFF00u, 0xF5u, true}, {0xFFFFFFFFu, 0x1F3u, false}, {0xFFFFFFFFu, 0x1F4u, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.due, uiButton::RepeatDue(c.press, c.now)) << c.press << " " << c.now;
}
