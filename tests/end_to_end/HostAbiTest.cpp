// The interface object through the slot table alone: what each slot does
// without a window, the rules of the text slot, the one window an object
// makes, and a module that is unloaded and loaded again.
#include "end_to_end/PanelHost.h"

#include <string>

using namespace e2e;

TEST_F(PanelHost, SlotsOfAnObjectWithoutAWindow) {
    IPanelInterface* p = module_.CreateInterface();
    IPanelInterface* other = module_.CreateInterface();
    ASSERT_NE(nullptr, p);
    ASSERT_NE(nullptr, other);
    EXPECT_NE(p, other);
    const IPanelInterfaceVtbl* s = Slots(p);
    const std::string url = GamesUrl();
    PanelServerRecord record = {0, 0, nullptr, url.c_str()};
    PanelServerList servers = {nullptr, &record, &record + 1, nullptr};
    EXPECT_EQ(nullptr, s->GetText(p));
    EXPECT_EQ(nullptr, s->GetWindow(p));
    EXPECT_EQ(0, s->Spare(p));
    EXPECT_EQ(0, s->Destroy(p, 0));
    EXPECT_EQ(0, s->Move(p, 0, 0, 600, 200));
    EXPECT_EQ(0, s->Show(p, 1));
    EXPECT_EQ(0, s->ShowAt(p, 0, 0, other));
    EXPECT_EQ(0, s->AddUpdateTask(p, url.c_str(), "Starfall", PANEL_KIND_GAME));
    EXPECT_EQ(0, s->AddUpdateTaskByServers(p, &servers, 0, "Starfall", PANEL_KIND_GAME));

    // The text slot keeps at most 255 bytes and never splits a character.
    const std::string chinese = "\xD6\xD0";   // one double-byte character
    const struct {
        const char* text;
        int result;
        std::string kept;
    } texts[] = {
        {nullptr, 0, ""}, {"", 0, ""},         {"abc", 1, "abc"},
        {"", 0, "abc"},   {nullptr, 0, "abc"}, {"x", 1, "x"},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(t.result, s->SetText(p, t.text)) << (t.text ? t.text : "(null)");
        const char* kept = s->GetText(p);
        EXPECT_EQ(t.kept, kept ? kept : "") << (t.text ? t.text : "(null)");
        if (t.kept.empty()) {
            EXPECT_EQ(nullptr, kept);
        }
    }
    const struct {
        std::string text, kept;
    } longTexts[] = {
        {std::string(300, 'x'), std::string(255, 'x')},
        {std::string(253, 'a') + chinese, std::string(253, 'a') + chinese},
        {std::string(254, 'a') + chinese, std::string(254, 'a')},
        {std::string(254, 'a') + chinese + "b", std::string(254, 'a')},
    };
    for (const auto& t : longTexts) {
        EXPECT_EQ(1, s->SetText(p, t.text.c_str())) << t.text.size();
        EXPECT_EQ(t.kept, std::string(s->GetText(p))) << t.text.size();
    }

    // Released without ever making a window.
    s->Release(p);
    Slots(other)->Release(other);
}

// One window per object, over a root that can be the work folder; after
// Destroy the object is as new.
TEST_F(PanelHost, AnObjectMakesOneWindowOverAUsableRoot) {
    panel_ = module_.CreateInterface();
    ASSERT_NE(nullptr, panel_);
    const HWND host = host_.Handle();
    for (const std::string& bad : {std::string("relative\\root"), root_.Join("missing"),
                                   root_.Path() + "\\" + std::string(300, 'd')})
        EXPECT_EQ(nullptr, Slots()->Create(panel_, "Fetchpane", host, 0, bad.c_str())) << bad;
    EXPECT_EQ(0, ReceiverWindows());

    window_ = Slots()->Create(panel_, "Fetchpane", host, 0, root_.Path().c_str());
    ASSERT_NE(nullptr, window_);
    EXPECT_EQ(window_, Slots()->GetWindow(panel_));
    EXPECT_FALSE(IsWindowVisible(window_));   // hidden until the host shows it
    EXPECT_EQ(nullptr, Slots()->GetText(panel_));
    EXPECT_EQ(0, Slots()->Spare(panel_));
    EXPECT_EQ(nullptr, Slots()->Create(panel_, "Fetchpane", host, 0, root_.Path().c_str()));
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_EQ(GetWindow(window_, GW_OWNER), host);
    EXPECT_EQ(1, ReceiverWindows());
    Slots()->Show(panel_, 1);
    EXPECT_TRUE(IsWindowVisible(window_));

    EXPECT_EQ(1, Slots()->Destroy(panel_, 0));
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(nullptr, Slots()->GetWindow(panel_));
    EXPECT_EQ(0, AddGame("Starfall"));
    EXPECT_EQ(0, ReceiverWindows());
    window_ = Slots()->Create(panel_, "Fetchpane", host, 0, root_.Path().c_str());
    EXPECT_NE(nullptr, window_);
    EXPECT_EQ(1, ReceiverWindows());
    ReleasePanel();
    EXPECT_EQ(0, ReceiverWindows());
}

namespace {

// The size of a loaded module's image.
SIZE_T ImageSize(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.SizeOfImage;
}

}   // namespace

// A host may unload the module and load it again, here at another address:
// the second load runs a panel whose tasks report to it as the first did.
TEST_F(PanelHost, TheModuleRunsAgainAfterItWasUnloadedAndLoadedElsewhere) {
    const std::string dead = servers::DeadBase() + "/";
    auto runOnePanel = [&] {
        OpenPanel();
        host_.Clear();
        ASSERT_EQ(1, Slots()->AddUpdateTask(panel_, dead.c_str(), "Starfall", PANEL_KIND_GAME));
        EXPECT_TRUE(WaitFor(PANEL_NOTIFY_FAILED, 30000)) << host_.Lines();
        ReleasePanel();
    };
    runOnePanel();
    EXPECT_EQ(1, module_.Exit());
    started_ = false;
    const HMODULE first = module_.Handle();
    const SIZE_T size = ImageSize(first);
    module_.Unload();

    void* taken = VirtualAlloc(first, size, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_TRUE(module_.Load(BuiltModulePath().c_str())) << module_.Error();
    if (taken) {
        EXPECT_NE(first, module_.Handle());
    }
    ASSERT_EQ(1, module_.Init());
    started_ = true;
    runOnePanel();
    EXPECT_EQ(1, module_.Exit());
    started_ = false;
    module_.Unload();
    if (taken) VirtualFree(taken, 0, MEM_RELEASE);
}
