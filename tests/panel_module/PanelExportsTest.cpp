// The module's two start and stop exports, called as the host calls them.
#include "panel/DownloadApp.h"
#include "panel/DownloadWinApp.h"
#include "panel/PanelExports.h"
#include "engine/core/Engine.h"
#include "engine/core/HandleTable.h"
#include "engine/core/Log.h"
#include "engine/core/WorkPath.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> LogFilesNamed(const char* base) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    std::string pattern = testsupport::ExeFolder() + "\\*" + base + "*.log";
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return names;
}

}  // namespace

TEST(PanelModel, InitStartsTheEngineWithoutALogFile) {
    testsupport::LogCapture capture;
    auto before = LogFilesNamed("Fetchpane");
    EXPECT_EQ(1, PanelModelInit());
    EXPECT_FALSE(Nuvex::IsLogOpen());
    EXPECT_EQ(1u, capture.Count("VORN'S GAME ENGINE."));
    EXPECT_EQ(1u, capture.Count("Nuvex Version: 2.20.0(Build20110331)"));
    // Linked into a program, the module is the program itself.
    EXPECT_EQ(GetModuleHandleA(nullptr), Nuvex::GetModuleInstance());
    EXPECT_EQ(testsupport::ExeFolder(), Nuvex::GetWorkPath(nullptr, 0));
    EXPECT_EQ(65536u, Nuvex::Pools().texture.Capacity());
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(1u, capture.Count("Successful release."));
    EXPECT_EQ(before, LogFilesNamed("Fetchpane"));
}

TEST(PanelModel, ExitWithoutInitReturnsOneAndAllowsALaterInit) {
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(1, PanelModelInit());
    EXPECT_EQ(1, PanelModelExit());
}

TEST(PanelModel, ASecondInitAfterExitIsRefused) {
    testsupport::LogCapture capture;
    ASSERT_EQ(1, PanelModelInit());
    EXPECT_EQ(1, PanelModelExit());
    EXPECT_EQ(0, PanelModelInit());
    EXPECT_EQ(1u, capture.Count("ERROR: POOL_TEXTURE."));
    EXPECT_EQ(1u, capture.Count("Can't init graph system."));
    EXPECT_EQ(1, PanelModelExit());
}

TEST(PanelModel, ApplicationObjects) {
    DownloadWinApp& winApp = TheDownloadWinApp();
    EXPECT_EQ(nullptr, winApp.Instance());   // no module entry point in a program
    EXPECT_TRUE(winApp.InitInstance());
    EXPECT_EQ(1, TheDownloadApp().OnInitGlobalResources());
    EXPECT_STREQ("BaseApp", TheDownloadApp().GetRuntimeClass()->name);

    DownloadWinApp other;
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_TRUE(other.Start(self));
    EXPECT_EQ(self, other.Instance());
    other.Stop();
}
