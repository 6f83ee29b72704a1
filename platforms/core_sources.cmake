# Which of the game's sources every build compiles, and which are one platform's: included by the top-level
# CMakeLists.txt, and by tests/tree/platform_files_test.cmake, which runs it on trees of its own.
#
# A platform file is one that the platform's build file names in ROOFRUNNER_PLATFORM_SOURCES
# (platforms/*/*.cmake), or another platform's version of the same module: the same name up to a last "_x11",
# "_win", "_web" or "_posix". Every other src/<area>/*.cpp but main.cpp is a module of every build, whatever its
# name ends in: a screen may be called you_win.cpp.

# roofrunner_core_sources(OUT ERROR FILES PLATFORM): FILES are the .cpp files under src/<area>/, PLATFORM the
# platform's own; OUT gets the files every build compiles, ERROR a message naming the fix, or nothing.
function(roofrunner_core_sources out error files platform)
  set(suffix "_(x11|win|web|posix)\\.cpp$")
  set(message "")
  set(modules "")
  foreach(file IN LISTS platform)
    if(NOT file MATCHES "${suffix}")
      string(APPEND message "${file}: a platform file is named <module>_{x11,win,web,posix}.cpp, so that the "
                            "other platforms leave it out.\n")
    elseif(NOT file IN_LIST files)
      string(APPEND message "${file}: named in ROOFRUNNER_PLATFORM_SOURCES but not found under src/<area>/.\n")
    endif()
    string(REGEX REPLACE "${suffix}" "" module "${file}")
    list(APPEND modules "${module}")
  endforeach()

  set(core "")
  set(loose "")
  foreach(file IN LISTS files)
    if(file STREQUAL "src/app/main.cpp" OR file IN_LIST platform)
      continue()
    endif()
    if(file MATCHES "${suffix}")
      string(REGEX REPLACE "${suffix}" "" module "${file}")
      if(module IN_LIST modules)
        continue()  # another platform's version of a module this platform names
      endif()
      list(APPEND loose "${module}")
    endif()
    list(APPEND core "${file}")
  endforeach()

  # Two versions of one module that this platform names neither of: a platform module whose files the platform's
  # build file does not name yet. Every build would compile both.
  list(REMOVE_DUPLICATES loose)
  foreach(module IN LISTS loose)
    set(versions "")
    foreach(file IN LISTS core)
      string(REGEX REPLACE "${suffix}" "" m "${file}")
      if(m STREQUAL module AND NOT m STREQUAL file)
        list(APPEND versions "${file}")
      endif()
    endforeach()
    list(LENGTH versions n)
    if(n GREATER 1)
      list(JOIN versions ", " versions)
      string(APPEND message "${versions}: these look like one module's platform files, but this platform's "
                            "ROOFRUNNER_PLATFORM_SOURCES names none of them: add its own to it (each of "
                            "platforms/*/*.cmake names one), or rename them if they are modules of every build.\n")
    endif()
  endforeach()

  set(${out} "${core}" PARENT_SCOPE)
  set(${error} "${message}" PARENT_SCOPE)
endfunction()
