#include "panel/DownloadApp.h"

int DownloadApp::OnInitGlobalResources() { return 1; }
