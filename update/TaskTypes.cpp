#include "update/TaskTypes.h"

#include "platform/InternetUrl.h"

size_t WholeRecordCount(const PanelServerList* records) {
    if (!records || !records->first || !records->last) return 0;
    const uintptr_t begin = reinterpret_cast<uintptr_t>(records->first);
    const uintptr_t end = reinterpret_cast<uintptr_t>(records->last);
    return end > begin ? (end - begin) / sizeof(ServerRecord) : 0;
}

bool AnyServerUrlHoldsControlByte(const PanelServerList* records) {
    const size_t count = WholeRecordCount(records);
    for (size_t i = 0; i < count; ++i)
        if (platform::HoldsControlByte(records->first[i].url)) return true;
    return false;
}

unsigned ServiceTypeOf(const char* url) {
    platform::InternetUrl parts;
    return platform::ParseInternetUrl(url, &parts) ? parts.service
                                                   : unsigned(platform::kInternetServiceFtp);
}
