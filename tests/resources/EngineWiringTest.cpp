#include <gtest/gtest.h>

#include "engine/app/BaseApp.h"
#include "engine/core/HandleTable.h"
#include "engine/core/WorkPath.h"
#include "engine/resources/ResourceManager.h"
#include "ManagerFixture.h"
#include "support/TestSupport.h"

namespace {

// Registers and loads one texture while the engine starts.
class SkinnedApp : public BaseApp {
public:
    std::string texturePath;
    bool managerSeen = false;
    int OnInitGlobalResources() override {
        ResourceManager* manager = ResourceManager::Current();
        managerSeen = manager != nullptr;
        if (!manager) return 0;
        ResourceRecord* record = NewResourceRecord(texturePath.c_str());
        if (!manager->Add(RESOURCE_TEXTURE, "_GLOBAL.t", record, 1)) {
            DeleteResourceRecord(record);
            return 0;
        }
        return manager->Lookup(RESOURCE_TEXTURE, "t") ? 1 : 0;
    }
};

}   // namespace

TEST(EngineWiring, StartUpMakesTheManagerAndShutdownReleasesIt) {
    testsupport::TempFolder temp;
    SkinnedApp app;
    app.texturePath = temp.Join("t.tga");
    ASSERT_TRUE(
        testsupport::WriteWholeFile(app.texturePath, managertest::TinyTga(2, 2, 0xFF000000)));
    EngineConfig config;
    config.flags = EngineConfig::kNoLog;
    ASSERT_EQ(1, app.Init(nullptr, &config, "test"));
    EXPECT_TRUE(app.managerSeen);
    EXPECT_NE(nullptr, ResourceManager::Current());
    EXPECT_EQ(1u, Nuvex::Pools().texture.Count());

    app.Exit(nullptr);
    EXPECT_EQ(nullptr, ResourceManager::Current());
    EXPECT_EQ(0u, Nuvex::Pools().texture.Count());   // the manager took its textures along
}

TEST(EngineWiring, ShutdownWithoutStartUpMakesNoManager) {
    BaseApp app;
    app.Exit(nullptr);
    EXPECT_EQ(nullptr, ResourceManager::Current());
}
