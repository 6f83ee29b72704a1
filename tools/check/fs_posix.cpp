// tools/check/fs_posix.cpp — a scratch folder in /tmp whose Data is a link to the folder to check.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "fs.h"

static char scratch[] = "/tmp/roofrunner-check-XXXXXX";
static bool made = false;

bool fs_is_sep(char c) { return c == '/'; }

bool fs_is_folder(const char *path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

int fs_enter_data(const char *path) {
    char real[PATH_MAX];
    if (realpath(path, real) == nullptr || mkdtemp(scratch) == nullptr) return -1;
    made = true;
    if (chdir(scratch) != 0 || symlink(real, "Data") != 0) {
        fs_leave_data();
        return -1;
    }
    return 0;
}

void fs_leave_data() {
    if (!made) return;
    if (chdir(scratch) == 0) unlink("Data");
    if (chdir("/") == 0) rmdir(scratch);
    made = false;
}
