// src/app/log.cpp — every line is flushed at once so the file holds everything before an abnormal end.
#include "app/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

static constexpr const char *LOG_TARGET = "gamelog.txt";

static FILE *log_file = nullptr;

char *strip_newline(char *s) {
    if (s == nullptr) return s;
    for (char *p = s; *p != '\0'; p++) {
        if (*p == '\r' || *p == '\n') {
            *p = '\0';
            break;
        }
    }
    return s;
}

int log_printf(const char *fmt, ...) {
    if (log_file == nullptr) return 0;
    char stamp[64];
    time_t now = time(nullptr);
    const char *text = ctime(&now);
    snprintf(stamp, sizeof stamp, "%s", text ? text : "");
    strip_newline(stamp);

    int n = fprintf(log_file, "[%s]: ", stamp);
    va_list ap;
    va_start(ap, fmt);
    int m = vfprintf(log_file, fmt, ap);
    va_end(ap);
    int e = fprintf(log_file, "\n");
    fflush(log_file);
    return n + m + e;
}

void log_close() {
    if (log_file == nullptr) return;
    fflush(log_file);
    if (log_file != stdout && log_file != stderr) fclose(log_file);
    log_file = nullptr;
}

int log_init() {
    log_close();
    // Two target names pick a standard stream. "stderrt" is spelt so on purpose, the name the log has always
    // answered to for standard error: do not correct it.
    if (strcmp(LOG_TARGET, "stdout") == 0) {
        log_file = stdout;
    } else if (strcmp(LOG_TARGET, "stderrt") == 0) {
        log_file = stderr;
    } else {
        // "t" is the text-mode flag of other platforms; the C library here ignores it.
        log_file = fopen(LOG_TARGET, "a+t");
        if (log_file == nullptr) log_file = stdout;
    }
    fputs("\n", log_file);
    fflush(log_file);
    log_printf("%s", "-------------------------------------------------------");
    log_printf("Log Initialized");
    return 0;
}
