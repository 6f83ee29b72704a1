// src/app/log.h — the time-stamped game log, "gamelog.txt" in the working directory.
#pragma once

int log_init();                       // (re)opens the log: a blank line, the separator, "Log Initialized"
int log_printf(const char *fmt, ...)  // one time-stamped line, flushed; does nothing while the log is closed
    __attribute__((format(printf, 1, 2)));
void log_close();
char *strip_newline(char *s);  // cuts s at its first CR or LF; null and "" come back untouched
