# The Windows side of the build, included by the top-level CMakeLists.txt when cross-building with
# platforms/windows/mingw-w64-x86_64.cmake. scripts/build-windows.sh builds the library and passes its prefix.
enable_language(RC)

set(ROOFRUNNER_ALLEGRO_PREFIX "" CACHE PATH "Where the static library (lib/liballeg.a, include/) was installed")
set(lib ${ROOFRUNNER_ALLEGRO_PREFIX}/lib/liballeg.a)
if(NOT EXISTS ${lib})
  message(FATAL_ERROR "no ${lib}: build the library with scripts/build-windows.sh, or set ROOFRUNNER_ALLEGRO_PREFIX")
endif()
add_library(roofrunner_allegro STATIC IMPORTED)
set_target_properties(roofrunner_allegro PROPERTIES
  IMPORTED_LOCATION ${lib}
  INTERFACE_INCLUDE_DIRECTORIES ${ROOFRUNNER_ALLEGRO_PREFIX}/include
  INTERFACE_COMPILE_DEFINITIONS ALLEGRO_STATICLINK
  INTERFACE_LINK_LIBRARIES "kernel32;user32;gdi32;comdlg32;ole32;dinput;ddraw;dxguid;winmm;dsound")

# No DLL beyond Windows' own: the C++ runtime goes into the executables.
add_link_options(-static -static-libgcc -static-libstdc++)

set(ROOFRUNNER_PLATFORM_SOURCES src/app/window_win.cpp src/level/level_names_win.cpp)
set(ROOFRUNNER_TOOLS tools/check)

# The executable's icon, "ALLEGRO_ICON", is the X11 icon's picture in the sizes Windows asks for.
find_program(ROOFRUNNER_CONVERT convert REQUIRED)
set(ico ${PROJECT_BINARY_DIR}/roofrunner.ico)
add_custom_command(
  OUTPUT ${ico}
  COMMAND ${CMAKE_COMMAND} -DHEADER=${PROJECT_SOURCE_DIR}/src/app/icon.h -DOUT=${ico} -DCONVERT=${ROOFRUNNER_CONVERT}
          -P ${CMAKE_CURRENT_LIST_DIR}/icon.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/src/app/icon.h ${CMAKE_CURRENT_LIST_DIR}/icon.cmake
  COMMENT "Making roofrunner.ico from the window icon's XPM")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I ${PROJECT_BINARY_DIR}")
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/roofrunner.rc PROPERTIES OBJECT_DEPENDS ${ico})
set(ROOFRUNNER_GAME_RESOURCES ${CMAKE_CURRENT_LIST_DIR}/roofrunner.rc)

# A test program for Wine (tests/windows), not shipped: drawing into memory above 4 GB.
add_executable(rr_high_memory EXCLUDE_FROM_ALL tests/windows/high_memory.cpp)
target_link_libraries(rr_high_memory PRIVATE roofrunner_core)
target_compile_definitions(rr_high_memory PRIVATE ALLEGRO_NO_MAGIC_MAIN)
