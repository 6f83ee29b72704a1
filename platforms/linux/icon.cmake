# Cuts the XPM picture out of the C header that builds it into the program, so the desktop icon
# and the window icon are the same picture.
#   cmake -DHEADER=src/app/icon.h -DOUT=roofrunner.xpm -P icon.cmake
file(READ "${HEADER}" text)
string(FIND "${text}" "{" open)
string(FIND "${text}" "}" close REVERSE)
if(open LESS 0 OR close LESS open)
  message(FATAL_ERROR "no XPM array in ${HEADER}")
endif()
math(EXPR open "${open} + 1")
math(EXPR len "${close} - ${open}")
string(SUBSTRING "${text}" ${open} ${len} body)
file(WRITE "${OUT}" "/* XPM */\nstatic char *roofrunner[] = {${body}};\n")
