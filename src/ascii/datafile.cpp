// src/ascii/datafile.cpp — the data path rule and bounded formatted input.
#include "ascii/datafile.h"

#include <cctype>
#include <climits>

int data_path(char *buf, const char *dir, const char *group, const char *file) {
    int n;
    if (dir && group)
        n = snprintf(buf, PATH_BUF, "%s%c%s%c%s%c%s", "Data", PATH_SEP, dir, PATH_SEP, group, PATH_SEP, file);
    else if (dir)
        n = snprintf(buf, PATH_BUF, "%s%c%s%c%s", "Data", PATH_SEP, dir, PATH_SEP, file);
    else
        n = snprintf(buf, PATH_BUF, "%s%c%s", "Data", PATH_SEP, file);
    // A path cut short would name some other file.
    if (n < 0 || n >= PATH_BUF) {
        buf[0] = '\0';
        return -1;
    }
    return 0;
}

FILE *data_open(const char *dir, const char *group, const char *file) {
    char path[PATH_BUF];
    if (data_path(path, dir, group, file) != 0) return nullptr;
    return fopen(path, "r");
}

int scan_int(FILE *f, int *v) {
    int c;
    do c = getc(f);
    while (c != EOF && isspace(c));
    int neg = 0;
    if (c == '-' || c == '+') {
        neg = c == '-';
        c = getc(f);
    }
    if (c == EOF || !isdigit(c)) {
        if (c != EOF) ungetc(c, f);
        return 0;
    }
    long long n = 0;
    while (c != EOF && isdigit(c)) {
        if (n <= (long long)INT_MAX + 1) n = n * 10 + (c - '0');
        c = getc(f);
    }
    if (c != EOF) ungetc(c, f);
    if (neg) n = -n;
    if (n > INT_MAX) n = INT_MAX;
    if (n < INT_MIN) n = INT_MIN;
    *v = (int)n;
    return 1;
}

int scan_word_info(FILE *f, char *buf, WORD_INFO *info) {
    *info = WORD_INFO{};
    int c;
    do {
        c = getc(f);
        if (c == '\n') info->lines++;
    } while (c != EOF && isspace(c));
    int n = 0;
    while (c != EOF && !isspace(c)) {
        if (n == WORD_MAX) {
            info->too_long = 1;
            break;
        }
        if (c == '\0') info->nul = 1;
        buf[n++] = (char)c;
        c = getc(f);
    }
    // The character after the word stays in the stream, as formatted input leaves it.
    if (c != EOF) ungetc(c, f);
    if (n == 0) return 0;
    buf[n] = '\0';
    return 1;
}

int scan_word(FILE *f, char *buf) {
    WORD_INFO info;
    return scan_word_info(f, buf, &info);
}
