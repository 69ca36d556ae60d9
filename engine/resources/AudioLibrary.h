#pragma once
// The audio library's entry points the sound module calls, bound by name at
// run time. The prototypes are those of the library's 2.3 interface as its
// documentation gives them (stdcall, 64-bit offsets and lengths); the
// library is not available here, so they are checked only against our own
// test stand-in.
#include <windows.h>
#include <cstdint>

namespace Nuvex {

using AudioQword = uint64_t;

// Only the first three fields are read; the rest is room for whatever the
// library fills in after them.
struct AudioChannelInfo {
    DWORD freq;
    DWORD chans;
    DWORD flags;
    DWORD reserved[29];
};

using AudioGetVersion = DWORD(WINAPI*)();
using AudioInit = BOOL(WINAPI*)(int device, DWORD freq, DWORD flags, HWND window,
                                const GUID* clsid);
using AudioSetConfig = DWORD(WINAPI*)(DWORD option, DWORD value);
using AudioStop = BOOL(WINAPI*)();
using AudioFree = BOOL(WINAPI*)();
using AudioSampleLoad = DWORD(WINAPI*)(BOOL mem, const void* file, AudioQword offset, DWORD length,
                                       DWORD max, DWORD flags);
using AudioSampleCreate = void*(WINAPI*)(DWORD length, DWORD freq, DWORD chans, DWORD max,
                                         DWORD flags);
using AudioSampleCreateDone = DWORD(WINAPI*)();
using AudioSampleGetChannel = DWORD(WINAPI*)(DWORD sample, BOOL onlyNew);
using AudioSampleFree = BOOL(WINAPI*)(DWORD sample);
using AudioStreamCreateFile = DWORD(WINAPI*)(BOOL mem, const void* file, AudioQword offset,
                                             AudioQword length, DWORD flags);
using AudioStreamFree = BOOL(WINAPI*)(DWORD stream);
using AudioChannelGetInfo = BOOL(WINAPI*)(DWORD handle, AudioChannelInfo* info);
using AudioChannelGetData = DWORD(WINAPI*)(DWORD handle, void* buffer, DWORD length);
using AudioChannelGetLength = AudioQword(WINAPI*)(DWORD handle);
using AudioChannelPlay = BOOL(WINAPI*)(DWORD handle, BOOL restart);

// Flags and options of that interface.
constexpr DWORD kAudioSampleOverrideLongest = 0x10000;
constexpr DWORD kAudioStreamDecode = 0x200000;
constexpr DWORD kAudioConfigSampleVolume = 4;
constexpr DWORD kAudioConfigStreamVolume = 5;
constexpr DWORD kAudioVersion = 0x0203;

}   // namespace Nuvex
