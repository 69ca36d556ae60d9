// The record the worker and the UI thread share, and its message numbers.
#include "update/DownloadItem.h"
#include "update/support/WorkerThread.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

TEST(DownloadItem, NewItemIsEmpty) {
    DownloadItem item;
    EXPECT_EQ(TASK_STATE_NONE, item.State());
    EXPECT_EQ(0.0f, item.fraction.load());   // the main frame sets 0.01 afterwards
    EXPECT_EQ(0, item.totalBytes.load());
    EXPECT_EQ(0, item.speed.load());
    EXPECT_EQ(nullptr, item.task);
    EXPECT_TRUE(item.key.empty());
    EXPECT_TRUE(item.displayName.empty());
    DownloadItem other;
    EXPECT_NE(item.serial, other.serial);
}

TEST(DownloadItem, StateCodesAndMessageNumbers) {
    EXPECT_EQ(32, TASK_STATE_CONNECTING);
    EXPECT_EQ(33, TASK_STATE_FETCHING_LIST);
    EXPECT_EQ(34, TASK_STATE_CHECKING);
    EXPECT_EQ(35, TASK_STATE_DOWNLOADING);
    EXPECT_EQ(36, TASK_STATE_INSTALLING);
    const UINT messages[] = {WM_TASK_DOWNLOAD_BEGIN, WM_TASK_PROGRESS, WM_TASK_DOWNLOAD_END,
                             WM_TASK_FINISHED,       WM_TASK_FAILED,   WM_TASK_CHECK_BEGIN,
                             WM_TASK_CHECK_PROGRESS, WM_TASK_CHECK_END};
    for (UINT i = 0; i < 8; ++i) EXPECT_EQ(0xBD0u + i, messages[i]);
}

TEST(DownloadItem, StateChangePublishesWhatWasWrittenBeforeIt) {
    // The worker's order: numbers and name first, then the state; a reader
    // that sees the state sees them too.
    struct Writer : WorkerThread {
        DownloadItem* item;
        ~Writer() override { Stop(); }
        int Run() override {
            for (int round = 1; round <= 2000 && KeepRunning(); ++round) {
                item->totalBytes.store(round, std::memory_order_relaxed);
                item->fraction.store(round / 2000.0f, std::memory_order_relaxed);
                item->SetState(round);
            }
            return 0;
        }
    };
    DownloadItem item;
    Writer writer;
    writer.item = &item;
    ASSERT_TRUE(writer.Start());
    int last = 0;
    DWORD start = GetTickCount();
    while (last < 2000 && GetTickCount() - start < 10000) {
        int state = item.State();
        EXPECT_GE(item.totalBytes.load(std::memory_order_relaxed), state);
        EXPECT_GE(state, last);
        last = state;
    }
    EXPECT_EQ(2000, last);
}
