# Makes the Windows icon from the XPM picture in the C header that gives the X11 window its icon.
#   cmake -DHEADER=src/app/icon.h -DOUT=roofrunner.ico -DCONVERT=/usr/bin/convert -P icon.cmake
# The XPM is cut from the header as the desktop icon's is, then each size of the .ico made from it.
set(ico "${OUT}")
set(xpm "${ico}.xpm")
set(OUT "${xpm}")
include(${CMAKE_CURRENT_LIST_DIR}/../linux/icon.cmake)
set(OUT "${ico}")
# Larger sizes pixel for pixel, crisp as the 8x8 cells it was drawn with; smaller ones averaged, since
# dropping pixels would drop the runner's thin lines.
set(args)
foreach(size 16 24 32 48 64 128 256)
  if(size LESS 64)
    set(filter box)
  else()
    set(filter point)
  endif()
  list(APPEND args "(" "${xpm}" -filter ${filter} -resize ${size}x${size} ")")
endforeach()
execute_process(COMMAND "${CONVERT}" ${args} -strip "ico:${OUT}" RESULT_VARIABLE r)
if(NOT r EQUAL 0)
  message(FATAL_ERROR "convert could not make ${OUT}")
endif()
file(REMOVE "${xpm}")
