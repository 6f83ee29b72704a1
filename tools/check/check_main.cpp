// tools/check/check_main.cpp — roofrunner-check's entry: the checker is the rest of this folder, which the browser's
// level studio links without it.
#include "check.h"

int main(int argc, char **argv) { return check_main(argc, argv); }
