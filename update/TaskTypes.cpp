#include "update/TaskTypes.h"

#include "platform/InternetUrl.h"

unsigned ServiceTypeOf(const char* url) {
    platform::InternetUrl parts;
    return platform::ParseInternetUrl(url, &parts) ? parts.service
                                                   : unsigned(platform::kInternetServiceFtp);
}
