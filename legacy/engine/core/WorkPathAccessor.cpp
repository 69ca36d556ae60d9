// The older build's plain accessor of the work folder.
#include "engine/core/EngineGlobals.h"
#include "engine/core/WorkPath.h"

const char* Nuvex::GetWorkPath() { return Globals().workFolder; }
