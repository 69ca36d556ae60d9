#pragma once
// The process-wide work folder and path building. Paths are ANSI (code page
// 936) byte strings of at most 259 characters; backslash scans are
// double-byte aware. A result that would not fit is refused (empty text),
// never cut.
//
// Output sizes: GetWorkPath's len is the size of out in bytes; the other
// limits (MakeWorkPath's len, JoinPath's outLen, MakeAbsolutePath's n) count
// characters, and the buffer holds one more for the terminator (callers pass
// 259 with a 260-byte buffer; MakeWorkPath's len 0 means 259).
namespace Nuvex {
// Null: the module folder; "": none; otherwise an existing folder given with
// its drive letter (no wildcards), kept without trailing separators but for
// a drive root, which stays "D:\". 0 leaves the old work folder.
int SetWorkPath(const char* folder);
const char* GetWorkPath(char* out, int len);
// The older build's accessor: the work folder text, no copy (legacy/).
const char* GetWorkPath();
// Full path of `relative` under the work folder, in a per-thread buffer (or
// `relative` itself when it names a drive). Empty text when it would not fit.
char* MakeWorkPath(const char* relative, char* dst, int len);
char* JoinPath(const char* relative, const char* base, char* out, int outLen);
char* MakeAbsolutePath(const char* name, char* out, int n);
char* ToBackslashes(char* text);
const char* FindFile(const char* pattern);
void FreeBuffer(void* buffer);
const char* GetModuleFolder();
}   // namespace Nuvex
