// Id tables: round-robin ids, immediate reuse, full and unallocated tables,
// concurrent use, and the four graphics pools.
#include "engine/core/HandleTable.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <process.h>

#include <atomic>
#include <vector>

namespace {

// Distinct non-null objects for the tables.
void* Object(uintptr_t n) { return reinterpret_cast<void*>(n * 16 + 16); }

}   // namespace

TEST(HandleTable, HandsOutIdsInTurnAndReusesAFreedIdFirst) {
    HandleTable table;
    ASSERT_EQ(1, table.Allocate(256));
    EXPECT_EQ(1, table.Add(Object(1)));
    EXPECT_EQ(2, table.Add(Object(2)));
    EXPECT_EQ(3, table.Add(Object(3)));
    EXPECT_EQ(1, table.Remove(2));
    EXPECT_EQ(nullptr, table.Get(2));
    EXPECT_EQ(2, table.Add(Object(4)));
    EXPECT_EQ(4, table.Add(Object(5)));
    EXPECT_EQ(Object(4), table.Get(2));
    EXPECT_EQ(4u, table.Count());
}

TEST(HandleTable, WrapsFromTheLastIdToTheFirstFree) {
    HandleTable table;
    ASSERT_EQ(1, table.Allocate(256));
    for (int id = 1; id <= 255; ++id) ASSERT_EQ(id, table.Add(Object(id)));
    EXPECT_EQ(-1, table.Add(Object(999)));   // 255 objects: every id in use
    ASSERT_EQ(1, table.Remove(7));
    ASSERT_EQ(1, table.Remove(1));
    EXPECT_EQ(1, table.Add(Object(1000)));   // the freed id comes first
    EXPECT_EQ(7, table.Add(Object(1001)));   // then the probe wraps past 255
    EXPECT_EQ(-1, table.Add(Object(1002)));
    EXPECT_EQ(255u, table.Count());
}

TEST(HandleTable, RemoveAndLookupRefuseInvalidIds) {
    HandleTable table;
    ASSERT_EQ(1, table.Allocate(256));
    ASSERT_EQ(1, table.Add(Object(1)));
    EXPECT_EQ(0, table.Remove(0));
    EXPECT_EQ(0, table.Remove(256));
    EXPECT_EQ(0, table.Remove(5));   // a free slot
    EXPECT_EQ(nullptr, table.Get(0));
    EXPECT_EQ(nullptr, table.Get(256));
    EXPECT_EQ(nullptr, table.Get(0xFFFFFFFFu));
    EXPECT_EQ(nullptr, table.FlagsOf(5));
    ASSERT_NE(nullptr, table.FlagsOf(1));
    *table.FlagsOf(1) = 1;
    EXPECT_EQ(1, table.Remove(1));
    EXPECT_EQ(0, table.Remove(1));
    EXPECT_EQ(1, table.Add(Object(2)));
    EXPECT_EQ(0, *table.FlagsOf(1));   // a refilled slot starts with a clear flag byte
    EXPECT_EQ(-1, table.Add(nullptr));
}

TEST(HandleTable, AllocateRefusesBadCapacitiesAndASecondCall) {
    HandleTable table;
    EXPECT_EQ(0, table.Allocate(255));
    EXPECT_EQ(0, table.Allocate(65537));
    EXPECT_EQ(0, table.Allocate(0));
    EXPECT_EQ(1, table.Allocate(65536));
    EXPECT_EQ(0, table.Allocate(256));
    EXPECT_EQ(65536u, table.Capacity());
}

TEST(HandleTable, AnUnallocatedTableHasNoIds) {
    HandleTable table;
    EXPECT_EQ(-1, table.Add(Object(1)));
    EXPECT_EQ(0, table.Remove(1));
    EXPECT_EQ(nullptr, table.Get(1));
    EXPECT_EQ(0u, table.Count());
}

TEST(HandleTable, DestroyReleasesOnceAndLeavesAnEmptyTable) {
    HandleTable table;
    ASSERT_EQ(1, table.Allocate(256));
    ASSERT_EQ(1, table.Add(Object(1)));
    table.Destroy();
    table.Destroy();
    EXPECT_EQ(0u, table.Capacity());
    EXPECT_EQ(nullptr, table.Get(1));
    EXPECT_EQ(-1, table.Add(Object(2)));
    EXPECT_EQ(0, table.Remove(1));
    // The resource manager may be made again after its table was destroyed.
    EXPECT_EQ(1, table.Allocate(256));
    EXPECT_EQ(1, table.Add(Object(3)));
}

namespace {

struct Churn {
    HandleTable* table;
    uintptr_t base;
    std::atomic<int>* failures;
};

unsigned __stdcall AddAndRemove(void* arg) {
    auto* c = static_cast<Churn*>(arg);
    std::vector<int32_t> held;
    for (int i = 0; i < 10000; ++i) {
        if (held.size() < 50) {
            void* object = Object(c->base + uintptr_t(i));
            int32_t id = c->table->Add(object);
            if (id <= 0 || c->table->Get(uint32_t(id)) != object)
                ++*c->failures;
            else
                held.push_back(id);
        } else {
            for (int32_t id : held)
                if (!c->table->Remove(uint32_t(id))) ++*c->failures;
            held.clear();
        }
    }
    for (int32_t id : held) c->table->Remove(uint32_t(id));
    return 0;
}

}   // namespace

TEST(HandleTable, TwoThreadsNeverShareAnId) {
    HandleTable table;
    ASSERT_EQ(1, table.Allocate(256));
    std::atomic<int> failures{0};
    Churn churns[2] = {{&table, 1, &failures}, {&table, 1000000, &failures}};
    HANDLE threads[2];
    for (int i = 0; i < 2; ++i) {
        threads[i] = reinterpret_cast<HANDLE>(
            _beginthreadex(nullptr, 0, &AddAndRemove, &churns[i], 0, nullptr));
        ASSERT_NE(nullptr, threads[i]);
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 60000));
    for (HANDLE h : threads) CloseHandle(h);
    EXPECT_EQ(0, failures.load());
    EXPECT_EQ(0u, table.Count());
}

TEST(GraphicsPools, InitGraphicsSizesTheFourPoolsAndALaterStartTakesThemAsTheyAre) {
    testsupport::LogCapture capture;
    ASSERT_EQ(1, Nuvex::InitGraphics());
    GraphicsPools& pools = Nuvex::Pools();
    EXPECT_EQ(256u, pools.surface.Capacity());
    EXPECT_EQ(65536u, pools.texture.Capacity());
    EXPECT_EQ(256u, pools.xfont.Capacity());
    EXPECT_EQ(256u, pools.scene.Capacity());

    // The pools live as long as the module. An object the first start still
    // holds keeps its id through the next start, and only it answers there.
    int held = 0, later = 0;
    const int32_t id = pools.surface.Add(&held);
    ASSERT_EQ(1, Nuvex::InitGraphics());
    EXPECT_EQ(&held, pools.surface.Get(uint32_t(id)));
    EXPECT_NE(id, pools.surface.Add(&later));
    EXPECT_EQ(65536u, pools.texture.Capacity());
    EXPECT_TRUE(capture.Lines().empty());
}

TEST(GraphicsPools, ReportsTheFirstPoolThatCannotBeAllocated) {
    testsupport::LogCapture capture;
    GraphicsPools pools;   // two tables of sizes the pools can't take
    ASSERT_EQ(1, pools.scene.Allocate(512));
    ASSERT_EQ(1, pools.surface.Allocate(512));
    EXPECT_EQ(0, pools.Create());
    EXPECT_EQ(std::vector<std::string>{"ERROR: POOL_SCENE."}, capture.Lines());
    EXPECT_EQ(65536u, pools.texture.Capacity());   // what came before stays
    EXPECT_EQ(0u, pools.xfont.Capacity());
}
