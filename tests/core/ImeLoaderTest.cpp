// The input-method library: bound all or nothing, freed on request.
#include "engine/app/BaseApp.h"
#include "engine/core/ImeLoader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(ImeLoader, BindsAllFourFunctionsOfTheSystemLibrary) {
    ASSERT_EQ(1, Nuvex::LoadImeModule());
    const Nuvex::ImeFunctions& f = Nuvex::ImeModule();
    HMODULE imm = GetModuleHandleA("IMM32.DLL");
    ASSERT_NE(nullptr, imm);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(imm, "ImmGetContext")),
              reinterpret_cast<void*>(f.getContext));
    EXPECT_NE(nullptr, f.releaseContext);
    EXPECT_NE(nullptr, f.setCompositionFont);
    EXPECT_NE(nullptr, f.setCompositionWindow);
    EXPECT_EQ(1, Nuvex::LoadImeModule());   // already loaded: still all four
    EXPECT_EQ(1, Nuvex::FreeImeModule());
    EXPECT_FALSE(Nuvex::IsImeLibraryLoaded());
    EXPECT_EQ(nullptr, Nuvex::ImeModule().getContext);
    EXPECT_EQ(nullptr, Nuvex::ImeModule().setCompositionWindow);
    EXPECT_EQ(1, Nuvex::FreeImeModule());
}

TEST(ImeLoader, ALibraryWithoutTheFunctionsBindsNoneAndStaysLoaded) {
    Nuvex::SetImeLibraryName("KERNEL32.DLL");
    EXPECT_EQ(0, Nuvex::LoadImeModule());
    EXPECT_TRUE(Nuvex::IsImeLibraryLoaded());
    const Nuvex::ImeFunctions& f = Nuvex::ImeModule();
    EXPECT_EQ(nullptr, f.getContext);
    EXPECT_EQ(nullptr, f.releaseContext);
    EXPECT_EQ(nullptr, f.setCompositionFont);
    EXPECT_EQ(nullptr, f.setCompositionWindow);
    EXPECT_EQ(1, Nuvex::FreeImeModule());
    Nuvex::SetImeLibraryName(nullptr);
}

TEST(ImeLoader, AMissingLibraryIsOnlyLoggedAtStart) {
    testsupport::LogCapture capture;
    Nuvex::SetImeLibraryName("NO_SUCH_IME_LIBRARY.DLL");
    EXPECT_EQ(0, Nuvex::LoadImeModule());
    EXPECT_FALSE(Nuvex::IsImeLibraryLoaded());

    EngineConfig config;
    config.flags = EngineConfig::kNoLog;
    BaseApp app;
    EXPECT_EQ(1, app.Init(nullptr, &config, nullptr));
    EXPECT_EQ(1u, capture.Count("Can't load input method module!"));
    app.Exit(nullptr);
    Nuvex::SetImeLibraryName(nullptr);
}
