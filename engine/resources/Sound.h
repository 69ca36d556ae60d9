#pragma once
// Sound effects and streams through the audio library, loaded by file name at
// run time and optional: without it (or with another version) every
// operation answers 0 and the engine runs silent.
#include <cstdint>

namespace Nuvex {

// library null or "" = "BASS.DLL". 1 when loaded (also when it was already).
int InitSound(const char* library, uint32_t frequency);
int ShutdownSound();   // always 1

// size non-zero: dataOrPath is size bytes of sound data owned by the caller
// (it must outlive a stream made from it); size 0: dataOrPath is a file name
// read with Nuvex::LoadFile.
uint32_t LoadEffect(const void* dataOrPath, uint32_t size);
void FreeEffect(uint32_t sample);
uint32_t PlayEffect(uint32_t sample);
uint32_t LoadStream(const void* dataOrPath, uint32_t size);
int FreeStream(uint32_t stream);

}   // namespace Nuvex
