#include "ManagerFixture.h"

#include "engine/core/HandleTable.h"
#include "engine/core/WorkPath.h"
#include "engine/resources/ResourcePacks.h"

namespace managertest {

std::string TinyTga(int w, int h, uint32_t argb) {
    std::string tga(18, '\0');
    tga[2] = 2;   // uncompressed true colour
    tga[12] = char(w & 0xFF);
    tga[13] = char(w >> 8);
    tga[14] = char(h & 0xFF);
    tga[15] = char(h >> 8);
    tga[16] = 32;
    tga[17] = 0x28;   // top-left origin, 8 alpha bits
    for (int i = 0; i < w * h; ++i) {
        tga += char(argb & 0xFF);
        tga += char((argb >> 8) & 0xFF);
        tga += char((argb >> 16) & 0xFF);
        tga += char(argb >> 24);
    }
    return tga;
}

std::string GifBytes() { return std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 14); }

void ManagerTest::SetUp() {
    static bool poolsMade = false;   // the pools live as long as the process
    if (!poolsMade) {
        ASSERT_EQ(1, Nuvex::InitGraphics());
        poolsMade = true;
    }
    ASSERT_FALSE(temp.Path().empty());
    ASSERT_EQ(1, Nuvex::SetWorkPath(temp.Path().c_str()));
    mgr = ResourceManager::Instance();
    ASSERT_NE(nullptr, mgr);
}

void ManagerTest::TearDown() {
    ResourceManager::Release();
    Nuvex::DetachAllPacks();
}

std::string ManagerTest::Write(const std::string& relative, const std::string& bytes) {
    std::string full = temp.Join(relative);
    for (size_t i = temp.Path().size() + 1; i < full.size(); ++i) {
        if (full[i] == '\\' || full[i] == '/') CreateDirectoryA(full.substr(0, i).c_str(), nullptr);
    }
    EXPECT_TRUE(testsupport::WriteWholeFile(full, bytes)) << full;
    return full;
}

int ManagerTest::AddPath(int type, const char* name, const std::string& path, int immediate) {
    ResourceRecord* record = NewResourceRecord(path.c_str());
    if (!record) return 0;
    int added = mgr->Add(type, name, record, immediate);
    if (!added) DeleteResourceRecord(record);
    return added;
}

uint32_t ManagerTest::LiveTextures() const { return Nuvex::Pools().texture.Count(); }

namespace {
const char kRecorderClass[] = "FetchpaneManagerTestRecorder";
}

MessageRecorder::MessageRecorder() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &MessageRecorder::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kRecorderClass;
    RegisterClassA(&wc);   // fails harmlessly when already registered
    hwnd_ = CreateWindowExA(0, kRecorderClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

MessageRecorder::~MessageRecorder() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void MessageRecorder::Drain() {
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE); ++i)
        DispatchMessageA(&msg);
}

LRESULT CALLBACK MessageRecorder::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MessageRecorder*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && msg == kMsg) {
        self->seen.emplace_back(wParam, lParam);
        if (self->onMessage) self->onMessage(wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}   // namespace managertest
