#pragma once
// Which form of the module a build makes: the current build, or the older
// build of the same sources (FP_OLDER_BUILD, set by the build for every
// file). The older build differs in two ways only: the values below (the
// panel's are in panel/PanelVariant.h), and the sources under legacy/, each
// of which takes the place of its namesake in the folder it mirrors (see
// cmake/FetchpaneTargets.cmake). The preprocessor switches only where a
// class's layout differs.
#include <cstdint>

#if !defined(FP_OLDER_BUILD)
#error "FP_OLDER_BUILD is set by the build: 0 for the current module, 1 for the older one"
#endif

namespace BuildVariant {

constexpr bool kOlder = FP_OLDER_BUILD != 0;

// --- engine start-up

// The interface version the engine's core start-up requires.
constexpr int kEngineInterfaceVersion = kOlder ? 0x020B045E : 0x20014;

// The version line of the engine log.
constexpr const char* kVersionLine = kOlder ? "Version: 2.11.1118"
                                            : "Nuvex Version: 2.20.0(Build20110331)";

// The start-up record's flags beyond no log (0x01) and console (0x02). The
// older record has four bits: sound and flash move down, and there is no
// bit to leave the version line out (0: it is always written).
constexpr uint8_t kNoVersionLineFlag = kOlder ? 0 : 0x04;
constexpr uint8_t kSoundFlag = kOlder ? 0x04 : 0x10;
constexpr uint8_t kFlashFlag = kOlder ? 0x08 : 0x20;

// A failure of the graphics pools, the sound or the flash start-up is logged
// in the current build; the older build says nothing.
constexpr bool kLogsStartFailures = !kOlder;

// --- folders

// The module folder keeps its trailing backslash in the older build (so its
// default work folder ends in one); here only a drive root's ("D:\").
constexpr bool kModuleFolderKeepsBackslash = kOlder;

// --- the engine log

// Lines: "[stamp] text" ended by "\r\n", stamped with date and time
// (Nuvex::FormatTimeStamp form 3); the older build ends them "\n\r" and
// stamps the time alone (form 2). The overhead of a line in the buffer:
// "[", the stamp, "] " and the line end.
constexpr const char* kLogLineEnd = kOlder ? "\n\r" : "\r\n";
constexpr uint32_t kLogStampForm = kOlder ? 2 : 3;
constexpr uint32_t kLogLineOverhead = kOlder ? 20 : 24;
// The stamp of a dated file name, "[date]" or in mode 3 "[date time]":
// 2026-01-31_14-05-09 here, 26-01-31 14.05.09 in the older build.
constexpr const char* kLogDateForm = kOlder ? "%y-%m-%d" : "%Y-%m-%d";
constexpr const char* kLogDateTimeForm = kOlder ? "%y-%m-%d %H.%M.%S" : "%Y-%m-%d_%H-%M-%S";
// The console's boxes: system-modal warnings here; the older build's have
// no flags, or ask yes or no with an error icon (MB_ICONERROR | MB_YESNO).
constexpr unsigned kConsoleBoxType = kOlder ? 0 : 0x1030;
constexpr unsigned kConsoleWriteBoxType = kOlder ? (0x10 | 0x04) : 0x1014;

// --- windows and images

// The class record name of the element that is a window.
constexpr const char* kShellClassName = kOlder ? "GuiKernel" : "GuiShell";

// The word at offset 8 of an NVX file's header, written and required.
constexpr uint32_t kNvxHeaderWord = kOlder ? 1 : 16;

// A screenshot saves the whole pixel store, which a shrinking resize leaves
// larger than the canvas, in the older build; a copy of the canvas here.
constexpr bool kShotsTheWholePixelStore = kOlder;

}   // namespace BuildVariant
