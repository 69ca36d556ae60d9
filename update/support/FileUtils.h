#pragma once
// Paths, files and folders in the ANSI code page. Every search for a
// separator and every trim steps over double-byte characters whole. Paths
// are limited to 259 characters: a path that would be longer is refused,
// never cut into another path.
#include <windows.h>
#include <string>

const size_t kMaxFilePathChars = MAX_PATH - 1;   // 259 characters and a terminator

// Dispatches the calling thread's waiting messages. A WM_QUIT is put back
// (PostQuitMessage) and ends the pump, so the thread's own loop still sees it.
void PumpMessages();

// Size of a file in bytes; 0.0 when it can't be opened or measured.
double GetFileSizeAsDouble(const char* path);

bool PathExists(const std::string& path);
// Up to and including the last '\' ('/' only when there is no '\'); "" when
// there is neither.
std::string GetFolderPart(const std::string& path);
// What follows GetFolderPart's separator; the whole path when there is none.
std::string GetFileNamePart(const std::string& path);
std::string ToForwardSlashes(std::string path);
// Both trim trailing white space first; an empty path stays empty.
void AddTrailingBackslash(std::string& path);
void StripTrailingBackslash(std::string& path);
// True for an existing folder (a trailing '\' allowed). Exact: '*' and '?'
// match nothing.
bool FolderExists(std::string path);

// Deletes the files of `folder` that match `pattern` (all when null or
// empty); with `recursive` also in its subfolders, which are removed when no
// pattern is given. Entries whose names begin with "." stay. A set `cancel`
// event stops it (false); `pump` dispatches messages between entries. Folder
// links (reparse points) are never entered, only unlinked.
bool DeleteFolderContents(const char* folder, bool recursive, const char* pattern, HANDLE cancel,
                          bool pump);
// Removes a folder with everything in it; true when there is no such folder.
bool RemoveFolder(const char* folder, HANDLE cancel, bool pump);
// Creates every missing folder along `path`, outermost first.
bool CreateFolderPath(const char* path);

// A key that is the same for two full paths naming the same file as far as
// the file system can tell: case is ignored, '/' is '\', and an existing
// file's short (8.3) alias gives the key of its long name. Empty when the path can't be
// read in the ANSI code page.
std::wstring PathKey(const std::string& fullPath);
