#pragma once
// Zip fixtures for the resource tests, made at run time: written through
// minizip directly (so a test can choose stored entries, long names or no
// password), damaged on purpose, or taken from the unencrypted packs the
// build wrote with Python's zipfile beside the test program.
#include "support/ZipWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace packfixtures {

using Entry = testsupport::ZipEntry;   // {name, data, stored}

// Writes a zip with every entry enciphered by `password` (none when empty).
bool WriteZip(const std::string& path, std::vector<Entry> entries,
              const std::string& password = "");

// Deterministic bytes, as the fixture scripts make them.
std::string Pattern(size_t n, int seed);

// The packs written by tests/fixtures/make_packs.py.
std::string PythonPlainPack();

// Sets the uncompressed size the central directory gives for `name`.
bool PatchCentralSize(const std::string& path, const std::string& name, uint32_t size);
// Flips one byte of the file where `bytes` first occurs.
bool CorruptFirst(const std::string& path, const std::string& bytes);
// Names of the archive's entries in directory order, read with minizip.
std::vector<std::string> ListEntries(const std::string& path);

}   // namespace packfixtures
