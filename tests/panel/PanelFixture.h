#pragma once
// The panel as a host drives it, in this process: the engine started, the
// skin installed into a fresh root, a host window that records every
// notification (and may react to it), and a created panel window of
// 600 x 200. The mouse is sent to the panel window with the pointer the
// engine sees set by the test, never the display's real cursor.
#include "SkinFixture.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/gui/GuiShell.h"
#include "panel/DownloadList.h"
#include "panel/DownloadMainFrame.h"
#include "panel/PanelInterface.h"
#include "panel/uiButton.h"
#include "update/UpdateTask.h"
#include "update_tasks/TestServers.h"

#include <algorithm>
#include <memory>

struct Notice {
    int code, arg;
    std::string text;   // "(null)" for no text
    HWND panel;
};

class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HWND hwnd() const { return hwnd_; }
    std::vector<Notice> notices;
    std::function<void(const Notice&)> onNotify;   // run inside the handler

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

// An element's rectangle in its parent: x, y, width, height.
inline std::array<int, 4> Box(const GUI* e) {
    return {e->GetX(), e->GetY(), e->GetWidth(), e->GetHeight()};
}

// An element that records the notifications it gets and answers 0.
struct Listener : GUI {
    int OnNotify(GUI*, uint32_t code, WPARAM wParam, LPARAM) override {
        codes.push_back(code);
        params.push_back(wParam);
        return 0;
    }
    size_t Count(uint32_t code) const {
        return size_t(std::count(codes.begin(), codes.end(), code));
    }
    std::vector<uint32_t> codes;
    std::vector<WPARAM> params;
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DownloadMainFrame* Frame() const { return panel->Frame(); }
    DownloadList* List() const { return Frame()->List(); }
    // Press and release at a client point of the panel window (never in its
    // top 75 pixels outside a row or a button: that starts a window drag).
    void Click(int x, int y, UINT down = WM_LBUTTONDOWN);
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
    PanelInterface* panel = nullptr;
    HWND hwnd = nullptr;
};
