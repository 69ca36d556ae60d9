#pragma once
// Whole-file loading for every resource the engine reads: the disk first
// (relative to the work folder), then the attached zip packs in attach order.
// Buffers come from malloc and are freed with Nuvex::FreeBuffer
// (engine/core/WorkPath.h). Every buffer handed out carries one NUL byte past
// its end, so an empty file is a valid empty text.
#include <cstdint>

namespace Nuvex {

// Reads `path` (relative to the work folder, or absolute). outSize (may be
// null) receives the byte count on success only. diskOnly non-zero forbids
// the pack lookup; absolute paths are never looked for in packs.
void* LoadFile(const char* path, uint32_t* outSize, int diskOnly);

// Looks the entry `name` up in the attached packs: every pack in attach order
// when packName is null or empty, else only that pack. outSize receives the
// size, or 0 when the entry was found but could not be read; it is left
// untouched when no pack holds the entry.
void* LoadFileFromPacks(const char* name, uint32_t* outSize, const char* packName);

// Attaches a pack file (relative to the work folder or absolute) with its
// password (null or "" = none). closeAfterOpen keeps it closed between
// lookups. 0 for an empty or too long path, a duplicate or an unreadable zip.
int AttachPack(const char* path, const char* password, int closeAfterOpen);

// removeRecord 0 only closes the pack (later lookups reopen it); 1 forgets it.
int DetachPack(const char* path, int removeRecord);

// Closes and forgets every pack (engine shutdown). Always 1.
int DetachAllPacks();

// Number of attached packs (for diagnostics and tests).
int AttachedPackCount();

}   // namespace Nuvex
