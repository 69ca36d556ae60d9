#pragma once
// The panel's engine application object. Its global resources are none: the
// skin is loaded when the first panel window starts.
#include "engine/app/BaseApp.h"

class DownloadApp : public BaseApp {
public:
    int OnInitGlobalResources() override;
};
