# Which of the game's sources every build compiles into its modules: included by the top-level CMakeLists.txt, and
# by tests/tree/platform_files_test.cmake, which runs it on trees of its own.
#
# A platform file is named <module>_x11.cpp, _win.cpp, _web.cpp or _posix.cpp, and a platform's build file names it:
# in its ROOFRUNNER_PLATFORM_SOURCES, which go into the modules, or where it uses it otherwise (the browser's
# executable takes a file of its own). Every build leaves them all out of the modules but its own list. A file with
# such an ending that no platform's build file names would be left out of every build without a word, so it stops
# the configure with the fix instead.

# roofrunner_core_sources(OUT ERROR FILES PLATFORM BUILD_FILES): FILES are the .cpp files under src/<area>/, PLATFORM
# the platform's own list, BUILD_FILES every platform's build files; OUT gets the files every build compiles, ERROR
# a message naming the fix, or nothing.
function(roofrunner_core_sources out error files platform build_files)
  set(suffix "_(x11|win|web|posix)\\.cpp$")
  set(message "")
  set(named "")
  foreach(build_file IN LISTS build_files)
    file(READ ${build_file} text)
    string(APPEND named "${text}\n")
  endforeach()
  foreach(file IN LISTS platform)
    if(NOT file MATCHES "${suffix}")
      string(APPEND message "${file}: a platform file is named <module>_{x11,win,web,posix}.cpp, so that the "
                            "other platforms leave it out.\n")
    elseif(NOT file IN_LIST files)
      string(APPEND message "${file}: named in ROOFRUNNER_PLATFORM_SOURCES but not found under src/<area>/.\n")
    endif()
  endforeach()

  set(core "")
  foreach(file IN LISTS files)
    if(file STREQUAL "src/app/main.cpp")
      continue()
    endif()
    if(file MATCHES "${suffix}")
      string(FIND "${named}" "${file}" at)
      if(at EQUAL -1)
        string(APPEND message "${file}: its name ends as a platform file's does (_x11, _win, _web or _posix), and "
                              "every build leaves such files out of the game, but no platform's build file "
                              "(platforms/*/*.cmake) names it. A module of every build needs another name (a "
                              "screen you_win.cpp could be you_won.cpp); a platform's file goes in that "
                              "platform's ROOFRUNNER_PLATFORM_SOURCES.\n")
      endif()
      continue()
    endif()
    list(APPEND core "${file}")
  endforeach()

  set(${out} "${core}" PARENT_SCOPE)
  set(${error} "${message}" PARENT_SCOPE)
endfunction()
