#pragma once
// The panel's skin tests: the engine started as the module starts it, a
// fresh root folder as the work folder, the engine's log lines.
#include <gtest/gtest.h>

#include "engine/core/WorkPath.h"
#include "host/SkinInstall.h"
#include "panel/PanelExports.h"
#include "support/TestSupport.h"

#include <string>

class SkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(1, PanelModelInit());
        ASSERT_EQ(1, Nuvex::SetWorkPath(temp.Path().c_str()));
    }
    void TearDown() override { PanelModelExit(); }

    std::string Root(const std::string& relative) const { return temp.Join(relative); }
    bool Install() const { return skininstall::Install(temp.Path()); }

    testsupport::TempFolder temp;
    testsupport::LogCapture log;
};
