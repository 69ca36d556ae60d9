#pragma once
// Whether this wine can store double-byte file names at all: it needs the
// Unix locale zh_CN.UTF-8 (tools/bootstrap makes it) to map code page 936
// names to Unix file names. Without it every such name fails with "file not
// found", which says nothing about the code under test: the test stops with
// that reason instead.
#include <windows.h>
#include <string>

inline bool DoubleByteNamesWork(const std::string& folder) {
    std::string probe = folder + "\\\xD6\xD0\x9C\x5C.probe";   // 中淺
    HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    DeleteFileA(probe.c_str());
    return true;
}

#define ASSERT_DOUBLE_BYTE_NAMES_WORK(folder)                                \
    ASSERT_TRUE(DoubleByteNamesWork(folder))                                 \
        << "this wine can't create double-byte file names: the Unix locale " \
           "zh_CN.UTF-8 is missing (run tools/bootstrap)"
