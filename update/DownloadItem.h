#pragma once
// One listed download as both threads see it: the update task's worker
// writes its progress here, the panel's UI thread shows it. Each change is
// announced by one of the task messages below, with the item as wParam.
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <string>

#include "fetchpane_api.h"

class UpdateTask;

// Task states kept in DownloadItem::state. A failure reaches the host with
// the state it failed in, so the states are the host's (the public header).
enum TaskState : int32_t {
    TASK_STATE_NONE = 0,   // item made, task not yet running
    TASK_STATE_CONNECTING = PANEL_STATE_CONNECTING,
    TASK_STATE_FETCHING_LIST = PANEL_STATE_LIST,
    TASK_STATE_CHECKING = PANEL_STATE_CHECKING,
    TASK_STATE_DOWNLOADING = PANEL_STATE_DOWNLOADING,
    TASK_STATE_INSTALLING = PANEL_STATE_INSTALLING,
};

// Task messages to the receiver window; wParam is always the DownloadItem.
// WM_TASK_PROGRESS is sent on every state change and posted once per
// received block; all others are posted.
const UINT WM_TASK_DOWNLOAD_BEGIN = 0xBD0;
const UINT WM_TASK_PROGRESS = 0xBD1;
const UINT WM_TASK_DOWNLOAD_END = 0xBD2;
const UINT WM_TASK_FINISHED = 0xBD3;   // lParam: the UpdateTask
const UINT WM_TASK_FAILED = 0xBD4;     // lParam: the state that failed (33..36)
const UINT WM_TASK_CHECK_BEGIN = 0xBD5;
const UINT WM_TASK_CHECK_PROGRESS = 0xBD6;
const UINT WM_TASK_CHECK_END = 0xBD7;

// Made by the main frame, freed by the download list after it has cancelled
// and deleted the task. The worker writes fraction, totalBytes, speed,
// displayName and state; the UI thread reads them when a message arrives.
// Numbers are atomic (relaxed is enough). The worker writes state last, with
// release (SetState); the reader reads it first, with acquire (State()), so
// everything written before a state change is visible with it.
struct DownloadItem {
    DownloadItem();
    DownloadItem(const DownloadItem&) = delete;
    DownloadItem& operator=(const DownloadItem&) = delete;

    void SetState(int32_t code) { state.store(code, std::memory_order_release); }
    int32_t State() const { return state.load(std::memory_order_acquire); }

    std::string key;                      // the task's name; set once by the main frame
    std::string displayName;              // written in state 34 before state 35 is set; read in 35
    std::atomic<float> fraction{0.0f};    // progress, nominally 0..1, not clamped
    std::atomic<int32_t> totalBytes{0};   // bytes to fetch
    std::atomic<int32_t> speed{0};        // bytes per second
    UpdateTask* task = nullptr;           // set by the main frame; not owned here
    std::atomic<int32_t> state{TASK_STATE_NONE};
    // Unique per process: tells a new item from a freed one that had the
    // same address, for messages still queued for the old one.
    const uint32_t serial;
};

// The fields are shared without a lock: each must be one plain atomic store.
static_assert(std::atomic<float>::is_always_lock_free, "fraction must be lock-free");
static_assert(std::atomic<int32_t>::is_always_lock_free, "numbers must be lock-free");
