#include "update/DownloadItem.h"

namespace {
std::atomic<uint32_t> g_nextSerial{1};
}

DownloadItem::DownloadItem() : serial(g_nextSerial.fetch_add(1, std::memory_order_relaxed)) {}
