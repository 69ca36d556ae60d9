// The older build's panel: its skin under "Res\", its main frame and title
// bar cut from the list's texture, its window region, its button code, and
// its start, which keeps the window before it dispatches any message.
#include "panel/PanelFixture.h"

#include "panel/DownloadTitleBar.h"
#include "panel/PanelExports.h"
#include "panel/SkinStyles.h"

namespace {

// Hears the code and wParam of the last notification.
struct CodeListener : GUI {
    int OnNotify(GUI*, uint32_t c, WPARAM w, LPARAM) override {
        code = c;
        wParam = w;
        return 0;
    }
    uint32_t code = 0;
    WPARAM wParam = 0;
};

// Pieces present in a nine-piece panel, as '1' and '0' by piece index.
std::string PiecesOf(const NinePiecePanel* panel) {
    std::string present;
    for (int i = 0; i < kPieceCount; ++i) present += panel->Piece(i) ? '1' : '0';
    return present;
}

}   // namespace

TEST_F(PanelTest, OlderFrameAndTitleBarAreCutFromTheListTexture) {
    DownloadMainFrame* frame = Frame();
    EXPECT_STREQ("GUI", frame->GetRuntimeClass()->name);   // no style element
    EXPECT_EQ("111111111", PiecesOf(frame));
    EXPECT_EQ((std::array<int, 4>{0, 0, 8, 24}), Box(frame->Piece(kPieceTopLeft)));
    EXPECT_EQ((std::array<int, 4>{592, 192, 8, 8}), Box(frame->Piece(kPieceBottomRight)));
    DownloadTitleBar* bar = frame->TitleBar();
    EXPECT_EQ("111000000", PiecesOf(bar));
    EXPECT_EQ((std::array<int, 4>{1, 1, 597, 22}), Box(bar));
    EXPECT_EQ(597 - 5, bar->CloseButton()->GetRight());
    EXPECT_TRUE(testsupport::FileExists(root.Join("Res\\Fetchpane.skin")));
    EXPECT_FALSE(testsupport::FileExists(root.Join("Skins")));

    // Corners rounded by a 9 x 9 ellipse: (1, 0) is cut off, (5, 0) is not.
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(hwnd, region));
    EXPECT_FALSE(PtInRegion(region, 1, 0));
    EXPECT_TRUE(PtInRegion(region, 5, 0));
    DeleteObject(region);
}

TEST_F(PanelTest, OlderButtonsNotifyTheirOwnCode) {
    CodeListener listener;
    uiButton* button = new uiButton;
    ASSERT_EQ(1, button->Create("b", skin::kCancelButton, &listener));
    button->Fire();
    EXPECT_EQ(0x210u, listener.code);
    EXPECT_EQ(1u, listener.wParam);
    delete button;
}

// A host message the older start dispatches while it loads the skin, which
// asks the same panel to create its window again, is refused: the window is
// kept before the start.
TEST(OlderPanelStart, AReentrantCreateIsRefusedAndTheFrameThreadRuns) {
    testsupport::TempFolder root;
    ASSERT_TRUE(skininstall::Install(root.Path()));
    ASSERT_EQ(1, PanelModelInit());
    HostWindow host;
    PanelInterface* panel = PanelInterfaceCreate();
    static PanelInterface* s_panel;
    static HWND s_again;
    s_panel = panel;
    s_again = HWND(1);
    struct Reenter {
        static void CALLBACK Run(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            s_again = s_panel->Create("again", nullptr, 0, nullptr);
        }
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 0, &Reenter::Run);
    Sleep(20);   // the timer is due when the start dispatches
    const HWND hwnd = panel->Create("panel", host.hwnd(), 0, root.Path().c_str());
    KillTimer(nullptr, timer);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(nullptr, s_again);
    ASSERT_NE(nullptr, panel->Frame());
    GuiShell* shell = GuiShell::FromHandle(hwnd);
    EXPECT_EQ(30u, shell->Fps());
    EXPECT_NE(nullptr, shell->FrameThread());
    panel->Release();
    EXPECT_EQ(1, PanelModelExit());
}
