#pragma once
// The panel in this process: the engine started, the skin installed into a
// fresh root, a host window that records every notification (and may react
// to it), and the main frame, off screen or in a real panel window.
#include "SkinFixture.h"

#include <array>
#include <string>
#include <vector>

#include "engine/gui/GuiShell.h"
#include "host/HostWindow.h"
#include "panel/DownloadList.h"
#include "panel/DownloadMainFrame.h"
#include "panel/PanelCodes.h"
#include "panel/PanelInterface.h"
#include "panel/uiButton.h"
#include "update/UpdateTask.h"
#include "update/TestServers.h"

#include <memory>

// The host's window, keeping every notification (host/HostWindow.h).
struct HostWindow : panelhost::HostWindow {
    HostWindow() : panelhost::HostWindow("host", 100, 100, false) {}
    HWND hwnd() const { return Handle(); }
    std::string Last() const {
        return Notifications().empty() ? "" : panelhost::Describe(Notifications().back());
    }
};

// An element's rectangle in its parent: x, y, width, height.
inline std::array<int, 4> Box(const GUI* e) {
    return {e->GetX(), e->GetY(), e->GetWidth(), e->GetHeight()};
}

// An element that counts the button clicks it hears (with wParam 1).
struct Listener : GUI {
    int OnNotify(GUI*, uint32_t code, WPARAM wParam, LPARAM) override {
        clicks += code == GUI_NOTIFY_BUTTON_CLICK && wParam == 1;
        return 0;
    }
    size_t clicks = 0;
};

// The main frame with the real skin: off screen in a window shell without
// a native window, reporting to the host window. Shared by the panel tests.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Builds the frame; the panel test makes a real panel window instead.
    virtual void StartFrame();
    virtual void StopFrame();

    virtual DownloadMainFrame* Frame() const { return frame_; }
    DownloadList* List() const { return Frame()->List(); }
    // An item with a task that never runs, listed directly.
    DownloadItem* ListItem(const char* key);
    // Sends a task message to the frame's receiver.
    void SendTask(UINT message, DownloadItem* item, LPARAM lParam = 0);
    // A URL under which the update lists of these games trickle in for
    // long (tasks stay in state 33); "" without the test servers.
    std::string SlowListsUrl(std::initializer_list<const char*> games);
    // A created element attached to the frame at (x, y); the tree owns it.
    template <class Element>
    Element* Attached(Element* element, int w = 1, int h = 1, int x = 0, int y = 0) {
        EXPECT_EQ(1, element->Create("element", w, h, nullptr, 0));
        EXPECT_EQ(1, Frame()->AddChild(element, x, y));
        return element;
    }

    testsupport::TempFolder root;
    std::unique_ptr<servers::ServedFolder> served;
    HostWindow host;

private:
    HWND surfaceWindow_ = nullptr;
    std::unique_ptr<GuiShell> shell_;
    DownloadMainFrame* frame_ = nullptr;
};

// The panel as a host drives it: a created panel window of 600 x 200. The
// mouse is sent to the window with the pointer the engine sees set by the
// test, never the display's real cursor.
class PanelTest : public FrameTest {
protected:
    void StartFrame() override;
    void StopFrame() override;
    DownloadMainFrame* Frame() const override { return panel->Frame(); }
    // Press and release at a client point of the panel window (never in its
    // top 75 pixels outside a row or a button: that starts a window drag).
    void Click(int x, int y, UINT down = WM_LBUTTONDOWN);

    PanelInterface* panel = nullptr;
    HWND hwnd = nullptr;
};
