# Which sources every build compiles and which are a platform's (platforms/core_sources.cmake): a table of small
# trees, then the real tree with each platform's own list as its build file gives it.
#   cmake -DSOURCE_DIR=<the source folder> -DWORK_DIR=<a scratch folder> -P tests/tree/platform_files_test.cmake
cmake_minimum_required(VERSION 3.16)
include(${SOURCE_DIR}/platforms/core_sources.cmake)

# Build files of two platforms, as a tree's platforms/ holds them.
file(MAKE_DIRECTORY ${WORK_DIR})
set(linux_cmake ${WORK_DIR}/linux.cmake)
set(web_cmake ${WORK_DIR}/web.cmake)
file(WRITE ${linux_cmake} "set(ROOFRUNNER_PLATFORM_SOURCES src/app/window_x11.cpp src/level/level_names_posix.cpp)\n")
file(WRITE ${web_cmake} "set(ROOFRUNNER_PLATFORM_SOURCES src/app/window_web.cpp src/level/level_names_posix.cpp)\n"
                        "target_sources(\${target} PRIVATE \${PROJECT_SOURCE_DIR}/src/game/play_web.cpp)\n")
set(build_files ${linux_cmake} ${web_cmake})

# expect(NAME FILES PLATFORM CORE ERROR): FILES under src/, PLATFORM the platform's list; CORE the files every build
# must compile, ERROR a piece of the message configuring must fail with ("" for none).
function(expect name files platform want_core want_error)
  roofrunner_core_sources(core error "${files}" "${platform}" "${build_files}")
  set(wrong "")
  if(NOT core STREQUAL want_core)
    string(APPEND wrong "  every build compiles: ${core}\n  expected:             ${want_core}\n")
  endif()
  if(want_error STREQUAL "" AND NOT error STREQUAL "")
    string(APPEND wrong "  unexpected message: ${error}")
  elseif(NOT want_error STREQUAL "")
    string(FIND "${error}" "${want_error}" at)
    if(at EQUAL -1)
      string(APPEND wrong "  the message should say: ${want_error}\n  it says: ${error}\n")
    endif()
  endif()
  if(wrong)
    message(SEND_ERROR "${name}:\n${wrong}")
  else()
    message(STATUS "ok: ${name}")
  endif()
endfunction()

set(tree src/app/main.cpp src/app/shell.cpp src/app/window.cpp src/app/window_web.cpp src/app/window_x11.cpp
         src/game/play.cpp src/game/play_web.cpp src/level/level.cpp src/level/level_names_posix.cpp)
set(linux src/app/window_x11.cpp src/level/level_names_posix.cpp)
set(core src/app/shell.cpp src/app/window.cpp src/game/play.cpp src/level/level.cpp)

expect("each platform's files are left to it, also one it uses outside its list" "${tree}" "${linux}" "${core}" "")
expect("a screen whose name ends in _win, which no platform names" "${tree};src/states/you_win.cpp" "${linux}"
  "${core}" "src/states/you_win.cpp: its name ends as a platform file's does (_x11, _win, _web or _posix)")
expect("a platform's new file not yet named" "${tree};src/app/clipboard_x11.cpp" "${linux}" "${core}"
  "src/app/clipboard_x11.cpp: its name ends as a platform file's does")
expect("a platform file without a platform's ending" "${tree}" "src/app/window.cpp;src/level/level_names_posix.cpp"
  "${core}" "src/app/window.cpp: a platform file is named <module>_{x11,win,web,posix}.cpp")
expect("a platform file that is not there" "${tree}" "src/app/window_x11.cpp;src/level/level_name_posix.cpp"
  "${core}" "src/level/level_name_posix.cpp: named in ROOFRUNNER_PLATFORM_SOURCES but not found")

# The real tree, with each platform's list from its build file: nothing fails to configure, and every platform names
# one version of each module that has platform versions, so that no platform compiles two of them or none.
file(GLOB real RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/src/*/*.cpp)
file(GLOB_RECURSE build_files ${SOURCE_DIR}/platforms/*.cmake ${SOURCE_DIR}/platforms/CMakeLists.txt)
list(FILTER build_files EXCLUDE REGEX "/platforms/core_sources\\.cmake$")
set(all_modules "")
set(platforms "")
foreach(cmake_file IN LISTS build_files)
  file(READ ${cmake_file} text)
  if(NOT text MATCHES "set\\(ROOFRUNNER_PLATFORM_SOURCES ([^)]*)\\)")
    continue()
  endif()
  string(REGEX REPLACE "[ \t\n]+" ";" list "${CMAKE_MATCH_1}")
  file(RELATIVE_PATH name ${SOURCE_DIR} ${cmake_file})
  list(APPEND platforms ${name})
  roofrunner_core_sources(core error "${real}" "${list}" "${build_files}")
  if(error)
    message(SEND_ERROR "${name}: configuring fails:\n${error}")
  endif()
  set(modules_${name} "")
  foreach(file IN LISTS list)
    string(REGEX REPLACE "_(x11|win|web|posix)\\.cpp$" "" module "${file}")
    list(APPEND modules_${name} ${module})
    list(APPEND all_modules ${module})
  endforeach()
endforeach()
list(LENGTH platforms n)
if(n LESS 3)
  message(SEND_ERROR "found the platform lists of ${n} build files (${platforms}); linux, windows and web have one")
endif()
list(REMOVE_DUPLICATES all_modules)
foreach(name IN LISTS platforms)
  foreach(module IN LISTS all_modules)
    if(NOT module IN_LIST modules_${name})
      message(SEND_ERROR "${name}: its ROOFRUNNER_PLATFORM_SOURCES names no version of ${module}, which another "
                         "platform's does")
    endif()
  endforeach()
endforeach()
message(STATUS "the real tree: ${platforms} each name a version of ${all_modules}")
