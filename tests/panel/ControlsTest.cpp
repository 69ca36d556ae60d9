// The button's states and clicks, and the nine-piece panel's layout, with
// the panel's own skin.
#include "PanelFixture.h"

#include <functional>

#include "engine/gui/GuiCodes.h"
#include "panel/DownloadListRow.h"
#include "panel/DownloadProgressBar.h"
#include "panel/NinePiecePanel.h"
#include "panel/PanelCodes.h"
#include "panel/SkinStyles.h"
#include "support/Poisoned.h"

using testsupport::Poisoned;

namespace {

// A record cutting pieces of the list texture, each `sizes[i]` large
// (0 x 0: absent).
NinePieceRecord Pieces(const int (&sizes)[kPieceCount][2], const char* style = skin::kListTexture) {
    NinePieceRecord r = {};
    for (int i = 0; i < kPieceCount; ++i) {
        r.origin[i][0] = 10 * i, r.origin[i][1] = 23;
        r.size[i][0] = sizes[i][0], r.size[i][1] = sizes[i][1];
        r.present[i] = sizes[i][0] > 0;
    }
    r.style = style;
    return r;
}

// Deletes the element that notifies it with `code`.
struct Deleter : GUI {
    int OnNotify(GUI* sender, uint32_t c, WPARAM, LPARAM) override {
        if (c == code) delete sender;
        return 0;
    }
    uint32_t code = 0;
};

// Deletes its parent as it is drawn.
struct ParentDeleter : GUI {
    int OnDraw(int, int, int, int) override {
        delete GetParent();
        return 0;
    }
};

}   // namespace

TEST_F(FrameTest, NinePiecesLayOutCornersAtTheirSizeAndStretchTheRest) {
    // The list's three pieces: the insets come from the edges alone.
    NinePiecePanel* list = Attached(new NinePiecePanel);
    const int three[kPieceCount][2] = {{}, {484, 43}, {}, {}, {484, 22}, {}, {}, {}, {484, 23}};
    EXPECT_EQ(0, list->CreatePieces(Pieces(three)));
    list->Resize(484, 88);
    EXPECT_EQ((std::array<int, 4>{0, 0, 484, 43}), Box(list->Piece(kPieceTopEdge)));
    EXPECT_EQ((std::array<int, 4>{0, 43, 484, 22}), Box(list->Piece(kPieceCentre)));
    EXPECT_EQ((std::array<int, 4>{0, 65, 484, 23}), Box(list->Piece(kPieceBottomEdge)));
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
        {0, 0, 10, 8},  {10, 0, 84, 6}, {94, 0, 6, 12}, {0, 8, 3, 37},  {10, 8, 84, 37},
        {93, 8, 7, 37}, {0, 45, 12, 5}, {93, 41, 7, 9}, {10, 47, 84, 3}};
    for (int i = 0; i < kPieceCount; ++i) EXPECT_EQ(expected[i], Box(panel->Piece(i))) << i;

    // A piece that cannot be made is not kept: with no texture, none is.
    NinePiecePanel* bare = Attached(new NinePiecePanel);
    EXPECT_EQ(0, bare->CreatePieces(Pieces(nine, "Default.nosuchtexture")));
    bare->Resize(40, 40);
    for (int i = 0; i < kPieceCount; ++i) EXPECT_EQ(nullptr, bare->Piece(i));
    EXPECT_EQ(0, bare->GetChildCount());
}

TEST_F(FrameTest, TheButtonShowsItsStateAndFiresOncePerClickWhileEnabled) {
    Listener* listener = Attached(new Listener);
    uiButton* button = new uiButton;
    ASSERT_EQ(1, button->Create("button", skin::kCancelButton, listener));
    ASSERT_EQ(1, listener->AddChild(button, 0, 0));
    GuiShell& shell = *button->GetHost();

    // Each step, then the frame it shows and the clicks heard so far.
    struct Step {
        const char* what;
        std::function<void()> action;
        int frame;
        size_t clicks;
    };
    auto kind = [button](int k) { return [button, k] { button->OnLButton(1, 1, k); }; };
    const Step steps[] = {
        {"disabled", [&] { button->Enable(0); }, 3, 0},
        {"hovered while disabled", [&] { shell.SetHover(button); }, 3, 0},
        {"clicked while disabled", kind(GUI_BUTTON_CLICK), 3, 0},
        {"enabled under the mouse", [&] { button->Enable(1); }, 1, 0},
        {"pressed", kind(GUI_BUTTON_DOWN), 2, 0},
        {"holding the capture", [&] { shell.SetLeftCapture(button, 1); }, 2, 0},
        {"left while held", [&] { shell.SetHover(nullptr); }, 2, 0},
        {"back while held", [&] { shell.SetHover(button); }, 2, 0},
        {"released", [&] { shell.SetLeftCapture(nullptr, 0), kind(GUI_BUTTON_UP)(); }, 1, 0},
        {"clicked", kind(GUI_BUTTON_CLICK), 1, 1},
        {"double-click without the flag", kind(GUI_BUTTON_DOUBLE_CLICK), 1, 1},
        {"left", [&] { shell.SetHover(nullptr); }, 0, 1},
        {"pressed, released elsewhere",
         [&] { kind(GUI_BUTTON_DOWN)(), kind(GUI_BUTTON_CAPTURE_LOST)(); }, 0, 1},
    };
    for (const Step& step : steps) {
        step.action();
        EXPECT_EQ(step.frame, button->ShownState()) << step.what;
        EXPECT_EQ(step.clicks, listener->clicks) << step.what;
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

// Each control is poisoned once deleted: touching itself after the handler
// that deleted it would fault.
TEST_F(FrameTest, AControlDeletedInItsOwnHandlingIsNeverTouchedAgain) {
    GuiShell& shell = *Frame()->GetHost();
    auto button = [](Deleter& d, uint32_t code) {
        uiButton* b = new Poisoned<uiButton>;
        EXPECT_EQ(1, b->Create("button", skin::kCancelButton, &d) && d.AddChild(b, 0, 0));
        d.code = code;
        return b;
    };
    const struct {
        const char* what;
        std::function<void(Deleter&)> run;
    } rows[] = {
        {"a button's listener deletes it on its click",
         [&](Deleter& d) {
             button(d, GUI_NOTIFY_BUTTON_CLICK)->OnLButton(1, 1, GUI_BUTTON_CLICK);
         }},
        {"a button's listener deletes it as the pointer leaves",
         [&](Deleter& d) {
             shell.SetHover(button(d, GUI_NOTIFY_MOUSE_LEAVE));
             shell.SetHover(nullptr);
         }},
        {"a button's listener deletes it as it repeats",
         [&](Deleter& d) {
             uiButton* b = button(d, GUI_NOTIFY_BUTTON_CLICK);
             b->SetAutoRepeat(1);
             shell.SetLeftCapture(b, 1);
             b->OnLButton(1, 1, GUI_BUTTON_DOWN);
             Sleep(uiButton::kRepeatDelayMs + 50);
             shell.UpdateTree(0.02f);
         }},
        {"a list's listener deletes it on a row's click",
         [&](Deleter& d) {
             DownloadList* list = new Poisoned<DownloadList>;
             EXPECT_EQ(1, list->Create("list", 1, 1, &d, 0) && d.AddChild(list, 0, 0));
             d.code = GUI_NOTIFY_ROW_CLICK;
             list->Row(0)->OnLButton(1, 1, GUI_BUTTON_CLICK);
         }},
        {"a progress fill's child deletes it as it is drawn",
         [&](Deleter& d) {
             GUI* fill = new Poisoned<DownloadProgressFill>;
             GUI* child = new ParentDeleter;
             EXPECT_EQ(1, fill->Create("fill", 10, 10, nullptr, 0) && d.AddChild(fill, 0, 0) &&
                              child->Create("child", 5, 5, nullptr, 0) &&
                              fill->AddChild(child, 0, 0));
             shell.Render();
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Deleter* d = Attached(new Deleter);
        row.run(*d);
        // Gone, and the window holds nothing of it.
        EXPECT_EQ(0, d->GetChildCount());
        EXPECT_EQ(nullptr, shell.Hover());
        EXPECT_EQ(nullptr, shell.LeftCapture());
        EXPECT_EQ(&shell, shell.Focus());
    }
}
