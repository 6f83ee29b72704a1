// tools/check/fs_win.cpp — Windows lets only privileged users make links: a folder named Data is
// checked from its parent folder as it stands; any other is copied into a scratch folder as Data.
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "fs.h"

namespace stdfs = std::filesystem;

static std::string scratch;  // empty unless a copy was made

bool fs_is_sep(char c) { return c == '/' || c == '\\'; }

bool fs_is_folder(const char *path) {
    DWORD a = GetFileAttributesA(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

static int make_scratch() {
    char tmp[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof tmp, tmp);
    if (n == 0 || n > MAX_PATH) return -1;
    for (int i = 0; i < 100; i++) {
        std::string s =
            std::string(tmp) + "roofrunner-check-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i);
        if (CreateDirectoryA(s.c_str(), nullptr)) {
            scratch = s;
            return 0;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) return -1;
    }
    return -1;
}

int fs_enter_data(const char *path) {
    char full[MAX_PATH + 1];
    char *name = nullptr;
    DWORD n = GetFullPathNameA(path, sizeof full, full, &name);
    if (n == 0 || n > MAX_PATH) return -1;
    // GetFullPathName keeps a trailing separator, and then names no last part.
    size_t len = strlen(full);
    while (len > 3 && fs_is_sep(full[len - 1])) full[--len] = '\0';
    name = full + len;
    while (name > full && !fs_is_sep(name[-1])) name--;
    if (name > full && _stricmp(name, "Data") == 0) {
        std::string parent(full, name - full);
        return SetCurrentDirectoryA(parent.c_str()) ? 0 : -1;
    }
    if (make_scratch() != 0) return -1;
    std::error_code ec;
    stdfs::copy(full, stdfs::path(scratch) / "Data", stdfs::copy_options::recursive, ec);
    if (ec || !SetCurrentDirectoryA(scratch.c_str())) {
        fs_leave_data();
        return -1;
    }
    return 0;
}

void fs_leave_data() {
    if (scratch.empty()) return;
    std::error_code ec;
    // A folder in use cannot be removed: step out of it first.
    stdfs::current_path(stdfs::temp_directory_path(ec), ec);
    stdfs::remove_all(scratch, ec);
    scratch.clear();
}
