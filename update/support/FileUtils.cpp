#include "update/support/FileUtils.h"

#include "update/support/DbcsText.h"

#include <shlwapi.h>
#include <direct.h>

#include <algorithm>

namespace {

bool IsSet(HANDLE cancel) { return cancel && WaitForSingleObject(cancel, 0) == WAIT_OBJECT_0; }

bool Fits(const std::string& path) { return path.size() <= kMaxFilePathChars; }

// The separator GetFolderPart cuts after: the last '\', else the last '/'.
size_t LastSeparator(const std::string& path) {
    size_t pos = dbcs::FindLast(path, '\\');
    return pos != std::string::npos ? pos : dbcs::FindLast(path, '/');
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolderLink(DWORD attributes) {
    return IsFolder(attributes) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// The folder with trailing white space trimmed and one '\' at its end.
std::string FolderPrefix(const char* folder) {
    std::string prefix(folder);
    dbcs::TrimTrailingSpace(prefix);
    if (!dbcs::EndsWith(prefix, '\\')) prefix += '\\';
    return prefix;
}

// One entry of a DeleteFolderContents pass; false when it failed.
bool DeleteEntry(const std::string& prefix, const WIN32_FIND_DATAA& found, bool onePass, int pass,
                 bool recursive, const char* pattern, HANDLE cancel, bool pump) {
    std::string path = prefix + found.cFileName;
    if (!Fits(path)) return false;
    bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool noPattern = !pattern || !pattern[0];
    if (!folder) {
        if (onePass || pass == 0) return DeleteFileA(path.c_str()) != FALSE;
        return true;
    }
    if (!recursive || !(onePass || pass == 1)) return true;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link to a folder elsewhere: unlink it, never empty its target.
        return noPattern ? RemoveDirectoryA(path.c_str()) != FALSE : true;
    }
    // A subfolder that can't be emptied stays; it doesn't fail its parent.
    if (DeleteFolderContents(path.c_str(), true, pattern, cancel, pump) && noPattern)
        return RemoveDirectoryA(path.c_str()) != FALSE;
    return true;
}

}   // namespace

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!IsDialogMessageA(msg.hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

double GetFileSizeAsDouble(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0.0;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    DWORD error = GetLastError();
    CloseHandle(file);
    if (low == INVALID_FILE_SIZE && error != NO_ERROR) return 0.0;
    return static_cast<double>(high) * 4294967296.0 + static_cast<double>(low);
}

bool PathExists(const std::string& path) { return PathFileExistsA(path.c_str()) != FALSE; }

std::string GetFolderPart(const std::string& path) {
    size_t pos = LastSeparator(path);
    return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string GetFileNamePart(const std::string& path) {
    size_t pos = LastSeparator(path);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ToForwardSlashes(std::string path) { return dbcs::Replace(std::move(path), '\\', '/'); }

void AddTrailingBackslash(std::string& path) {
    dbcs::TrimTrailingSpace(path);
    if (!path.empty() && !dbcs::EndsWith(path, '\\')) path += '\\';
}

void StripTrailingBackslash(std::string& path) {
    dbcs::TrimTrailingSpace(path);
    if (dbcs::EndsWith(path, '\\')) path.pop_back();
}

bool FolderExists(std::string path) {
    StripTrailingBackslash(path);
    if (path.empty() || !Fits(path)) return false;
    return IsFolder(GetFileAttributesA(path.c_str()));
}

bool DeleteFolderContents(const char* folder, bool recursive, const char* pattern, HANDLE cancel,
                          bool pump) {
    if (!folder || !Fits(folder) || !IsFolder(GetFileAttributesA(folder))) return false;
    bool hasPattern = pattern && pattern[0];
    // With a pattern, a recursive walk deletes the matching files first and
    // enters the subfolders in a second pass over everything.
    int passes = (recursive && hasPattern) ? 2 : 1;
    bool onePass = passes == 1;
    if (IsSet(cancel)) return false;

    const std::string prefix = FolderPrefix(folder);
    bool success = true;
    for (int pass = 0; pass < passes && success; ++pass) {
        std::string search = prefix + ((hasPattern && pass == 0) ? pattern : "*.*");
        if (!Fits(search)) return false;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(search.c_str(), &found);
        bool cancelled = false;
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (pump) PumpMessages();
                if (found.cFileName[0] != '.')
                    success = DeleteEntry(prefix, found, onePass, pass, recursive, pattern, cancel,
                                          pump);
                cancelled = IsSet(cancel);
            } while (!cancelled && success && FindNextFileA(find, &found));
            FindClose(find);
        } else {
            cancelled = IsSet(cancel);
        }
        if (cancelled) return false;
    }
    return success;
}

bool RemoveFolder(const char* folder, HANDLE cancel, bool pump) {
    if (!folder || !Fits(folder)) return false;   // refused, not "absent"
    DWORD attributes = GetFileAttributesA(folder);
    if (!IsFolder(attributes)) return true;
    if (IsFolderLink(attributes)) return RemoveDirectoryA(folder) != FALSE;
    if (!DeleteFolderContents(folder, true, nullptr, cancel, pump)) return false;
    SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
    return RemoveDirectoryA(folder) != FALSE;
}

bool CreateFolderPath(const char* path) {
    if (!path || !path[0] || !Fits(path)) return false;
    std::string rest(path);
    StripTrailingBackslash(rest);
    std::string created;

    // A drive or network prefix is neither tested nor created.
    size_t prefix = dbcs::FindText(rest, ":\\");
    size_t prefixLength = 2;
    if (prefix == std::string::npos) {
        prefix = dbcs::FindText(rest, "\\\\");
    }
    if (prefix != std::string::npos) {
        created = rest.substr(0, prefix + prefixLength);
        rest.erase(0, prefix + prefixLength);
    }

    for (bool last = false; !last;) {
        size_t cut = rest.size() > 1 ? dbcs::FindFirst(rest, '\\', 1) : std::string::npos;
        if (cut != std::string::npos) {
            created += rest.substr(0, cut);
            rest.erase(0, cut);
        } else {
            created += rest;
            rest.clear();
            last = true;
        }
        // Another thread (a task started beside this one) may make the same
        // folder in between: a folder there by now is as good as made.
        if (GetFileAttributesA(created.c_str()) == INVALID_FILE_ATTRIBUTES &&
            _mkdir(created.c_str()) != 0 && !FolderExists(created))
            return false;
    }
    return true;
}

std::wstring PathKey(const std::string& fullPath) {
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, fullPath.data(),
                                static_cast<int>(fullPath.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, fullPath.data(),
                        static_cast<int>(fullPath.size()), &wide[0], n);
    // Only a name with a '~' can be a generated short alias; asking for the long form
    // walks the folders one by one, which is slow under wine.
    wchar_t longForm[MAX_PATH];
    DWORD length = wide.find(L'~') == std::wstring::npos
                       ? 0
                       : GetLongPathNameW(wide.c_str(), longForm, MAX_PATH);
    if (length > 0 && length < MAX_PATH) wide.assign(longForm, length);
    if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return wide;
}
