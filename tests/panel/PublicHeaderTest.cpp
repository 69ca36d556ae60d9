// The public header's two views of the interface object agree slot by slot,
// and its records are the ones the module reads.
#include <gtest/gtest.h>

#include "fetchpane_api.h"
#include "update/DownloadItem.h"
#include "update/UpdateTask.h"

#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

static_assert(sizeof(IPanelInterface) == sizeof(void*),
              "the object starts with its table, and nothing else");
static_assert(std::is_same<PanelServerRecord, ServerRecord>::value,
              "the host's server record is the one the update task reads");
static_assert(int(PANEL_KIND_LOBBY) == int(TASK_KIND_LOBBY) &&
                  int(PANEL_KIND_GAME) == int(TASK_KIND_GAME),
              "kinds");
static_assert(int(PANEL_STATE_CONNECTING) == int(TASK_STATE_CONNECTING) &&
                  int(PANEL_STATE_INSTALLING) == int(TASK_STATE_INSTALLING),
              "states");

namespace {

// Records which slot ran with which arguments, as "slot arg arg...".
class SlotRecorder final : public IPanelInterface {
public:
    explicit SlotRecorder(std::vector<std::string>* calls) : calls_(calls) {}
    void Release() override { Note(0); }
    HWND Create(const char* title, HWND host, int unused, const char* root) override {
        return Note(1, title, unused, root), host;
    }
    HWND GetWindow() override { return Note(2), HWND(0x2); }
    int Destroy(int unused) override { return Note(3, unused), 3; }
    int Move(int x, int y, int w, int h) override { return Note(4, x, y, w, h), 4; }
    int Show(int show) override { return Note(5, show), 5; }
    int SetText(const char* text) override { return Note(6, text), 6; }
    const char* GetText() override { return Note(7), "seven"; }
    int Spare() override { return Note(8), 8; }
    int ShowAt(int x, int y, IPanelInterface* other) override {
        return Note(9, x, y, other == this ? "self" : "other"), 9;
    }
    int AddUpdateTaskByServers(const PanelServerList* servers, int group, const char* name,
                               int kind) override {
        return Note(10, servers->first->url, group, name, kind), 10;
    }
    int AddUpdateTask(const char* url, const char* name, int kind) override {
        return Note(11, url, name, kind), 11;
    }
    void* DeletingDestructor(unsigned flags) override {
        Note(12, flags);
        if (flags & 1) delete this;
        return this;
    }

private:
    template <class... Args>
    void Note(int slot, const Args&... args) {
        std::ostringstream call;
        call << slot;
        ((call << ' ' << args), ...);
        calls_->push_back(call.str());
    }
    std::vector<std::string>* calls_;
};

}   // namespace

TEST(PublicHeader, TheSlotTableReachesEveryOperationInOrder) {
    std::vector<std::string> calls;
    IPanelInterface* panel = new SlotRecorder(&calls);
    const IPanelInterfaceVtbl* slots = PANEL_VTBL(panel);
    HWND host = reinterpret_cast<HWND>(0x1234);
    PanelServerRecord server = {0, 7, nullptr, "http://a/"};
    PanelServerList servers = {nullptr, &server, &server + 1, nullptr};

    slots->Release(panel);
    EXPECT_EQ(host, slots->Create(panel, "t", host, 5, "C:\\root"));
    EXPECT_EQ(reinterpret_cast<HWND>(0x2), slots->GetWindow(panel));
    EXPECT_EQ(3, slots->Destroy(panel, 9));
    EXPECT_EQ(4, slots->Move(panel, 1, 2, 3, 4));
    EXPECT_EQ(5, slots->Show(panel, 1));
    EXPECT_EQ(6, slots->SetText(panel, "abc"));
    EXPECT_STREQ("seven", slots->GetText(panel));
    EXPECT_EQ(8, slots->Spare(panel));
    EXPECT_EQ(9, slots->ShowAt(panel, 10, 20, panel));
    EXPECT_EQ(10, slots->AddUpdateTaskByServers(panel, &servers, 7, "G", PANEL_KIND_GAME));
    EXPECT_EQ(11, slots->AddUpdateTask(panel, "http://b/", "G", PANEL_KIND_LOBBY));
    EXPECT_EQ(static_cast<void*>(panel), slots->DeletingDestructor(panel, 1));
    EXPECT_EQ((std::vector<std::string>{"0", "1 t 5 C:\\root", "2", "3 9", "4 1 2 3 4", "5 1",
                                        "6 abc", "7", "8", "9 10 20 self", "10 http://a/ 7 G 2",
                                        "11 http://b/ G 0", "12 1"}),
              calls);

    PanelNotifyRecord failed = {PANEL_NOTIFY_FAILED, (33 << 16) | 2, "G"};
    EXPECT_EQ(33, PANEL_FAILED_STATE(failed.arg));
    EXPECT_EQ(2, PANEL_FAILED_ITEMS_LEFT(failed.arg));
}
