#pragma once
// Shared set-up of the resource manager tests: graphics pools for textures,
// a fresh work folder, a fresh manager, a log capture, tiny images and a
// message-only window that records what the manager reports.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/resources/ResourceManager.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace managertest {

// An uncompressed 32-bit TGA of w x h pixels, all `argb`.
std::string TinyTga(int w, int h, uint32_t argb);

// GIF bytes: no decoder takes them.
std::string GifBytes();

class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes under the work folder (making folders); returns the full path.
    std::string Write(const std::string& relative, const std::string& bytes);
    // A record for path added under name; 1 when the manager kept it (a
    // refused record is freed here).
    int AddPath(int type, const char* name, const std::string& path, int immediate);
    uint32_t LiveTextures() const;

    testsupport::TempFolder temp;
    testsupport::LogCapture log;
    ResourceManager* mgr = nullptr;
};

// A message-only window (no display needed) that records every message
// `msg` it receives, in order.
class MessageRecorder {
public:
    static const UINT kMsg = WM_APP + 1;
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Dispatches what is still queued for the window (bounded).
    void Drain();

    std::vector<std::pair<WPARAM, LPARAM>> seen;
    std::function<void(WPARAM, LPARAM)> onMessage;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
};

}   // namespace managertest
