# The Linux (X11) side of the build, included by the top-level CMakeLists.txt for the plain desktop build: Debian's
# library through pkg-config, the X11 window's platform files, and the tools and install rules that go with it
# (platforms/linux/CMakeLists.txt: the launcher, the desktop entry, the icons, the man pages and the music's patch
# set beside the program).
find_package(PkgConfig REQUIRED)
pkg_check_modules(ALLEGRO REQUIRED IMPORTED_TARGET allegro)
add_library(roofrunner_allegro INTERFACE)
target_link_libraries(roofrunner_allegro INTERFACE PkgConfig::ALLEGRO)
set(ROOFRUNNER_PLATFORM_SOURCES src/app/window_x11.cpp src/level/level_names_posix.cpp)
set(ROOFRUNNER_TOOLS tools/tune tools/check platforms/linux)
