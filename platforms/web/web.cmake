# The browser side of the build, included by the top-level CMakeLists.txt under Emscripten (emcmake).
# scripts/build-web.sh builds the library and passes its prefix. The game's sources are the desktop's; the
# library's drivers are ours (platforms/web/platform); the page, its scripts (controls.js, layout.js, offline.js),
# the service worker sw.js, the manifest, the audio worklet and the start-up script are beside this file.
enable_language(C)

set(ROOFRUNNER_ALLEGRO_PREFIX "" CACHE PATH "Where the library was installed (lib/liballeg.a, include/)")
set(lib ${ROOFRUNNER_ALLEGRO_PREFIX}/lib/liballeg.a)
if(NOT EXISTS ${lib})
  message(FATAL_ERROR "no ${lib}: build the library with scripts/build-web.sh, or set ROOFRUNNER_ALLEGRO_PREFIX")
endif()
set(ROOFRUNNER_FREEPATS_DIR /usr/share/midi/freepats CACHE PATH "Debian freepats folder (Tone_000, Drum_000)")

set(web ${CMAKE_CURRENT_LIST_DIR})
add_library(roofrunner_web_platform OBJECT
  ${web}/platform/web_system.c
  ${web}/platform/web_gfx.c
  ${web}/platform/web_keyboard.c
  ${web}/platform/web_sound.c)
# src/ for app/keys.h, the list of the keys the game reads, which the keyboard driver hands to the page.
target_include_directories(roofrunner_web_platform PRIVATE
  ${ROOFRUNNER_ALLEGRO_PREFIX}/include ${PROJECT_SOURCE_DIR}/src)
target_compile_options(roofrunner_web_platform PRIVATE -O2)

add_library(roofrunner_allegro INTERFACE)
target_include_directories(roofrunner_allegro INTERFACE ${ROOFRUNNER_ALLEGRO_PREFIX}/include)
target_compile_definitions(roofrunner_allegro INTERFACE ALLEGRO_NO_MAGIC_MAIN)
target_link_libraries(roofrunner_allegro INTERFACE $<TARGET_OBJECTS:roofrunner_web_platform> ${lib})

set(ROOFRUNNER_PLATFORM_SOURCES src/app/window_web.cpp src/level/level_names_posix.cpp)
set(ROOFRUNNER_TOOLS "")
set(CMAKE_EXECUTABLE_SUFFIX ".js")

# The music's patches: the whole set's index made as for the desktop, then cut to what the tune plays.
set(patches ${PROJECT_BINARY_DIR}/patches)
add_custom_command(
  OUTPUT ${patches}/default.cfg
  COMMAND ${CMAKE_COMMAND} -E remove_directory ${patches}
  COMMAND ${CMAKE_COMMAND} -DFREEPATS_DIR=${ROOFRUNNER_FREEPATS_DIR} -DOUT=${PROJECT_BINARY_DIR}/full.cfg
          -P ${PROJECT_SOURCE_DIR}/platforms/linux/patches.cmake
  COMMAND python3 ${web}/pick_patches.py ${PROJECT_SOURCE_DIR}/Data/Music/train.mid ${PROJECT_BINARY_DIR}/full.cfg
          ${patches}
  DEPENDS ${web}/pick_patches.py ${PROJECT_SOURCE_DIR}/platforms/linux/patches.cmake
          ${PROJECT_SOURCE_DIR}/Data/Music/train.mid
  COMMENT "Picking the patches the tune plays")
add_custom_target(roofrunner_web_patches DEPENDS ${patches}/default.cfg)

# The home screen's icons: the window icon's picture, cut from its header as on Linux, scaled up pixel for pixel.
find_program(ROOFRUNNER_CONVERT convert REQUIRED)
set(xpm ${PROJECT_BINARY_DIR}/roofrunner.xpm)
add_custom_command(
  OUTPUT ${xpm}
  COMMAND ${CMAKE_COMMAND} -DHEADER=${PROJECT_SOURCE_DIR}/src/app/icon.h -DOUT=${xpm}
          -P ${PROJECT_SOURCE_DIR}/platforms/linux/icon.cmake
  DEPENDS ${PROJECT_SOURCE_DIR}/src/app/icon.h ${PROJECT_SOURCE_DIR}/platforms/linux/icon.cmake)
set(icons "")
foreach(size 192 512)
  set(png ${PROJECT_BINARY_DIR}/icon-${size}.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${ROOFRUNNER_CONVERT} ${xpm} -filter point -resize ${size}x${size} -strip png:${png}
    DEPENDS ${xpm})
  list(APPEND icons ${png})
endforeach()
add_custom_target(roofrunner_web_icons DEPENDS ${icons})

# Called for the game's executable once it exists: what it loads and how it yields to the browser.
function(roofrunner_platform_executable target)
  add_dependencies(${target} roofrunner_web_patches roofrunner_web_icons)
  # What the page calls before main; in the executable itself, since nothing in the game calls it.
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/game/play_web.cpp)
  file(GLOB_RECURSE data CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/Data/*)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
    ${web}/platform/web_library.js ${web}/pre.js ${web}/allegro.cfg ${patches}/default.cfg ${data})
  target_link_options(${target} PRIVATE
    # rest() sleeps in the browser's event loop, so the game's loop runs as it is.
    -sASYNCIFY
    -sASYNCIFY_STACK_SIZE=65536
    -sINITIAL_MEMORY=64MB
    -sALLOW_MEMORY_GROWTH=0
    -sEXIT_RUNTIME=1
    -sENVIRONMENT=web
    -sFORCE_FILESYSTEM=1
    -sEXPORTED_RUNTIME_METHODS=FS
    # SHELL: keeps each pair together; CMake would fold the repeated option words into one.
    "SHELL:--js-library ${web}/platform/web_library.js"
    "SHELL:--pre-js ${web}/pre.js"
    "SHELL:--preload-file ${PROJECT_SOURCE_DIR}/Data@/game/Data"
    "SHELL:--preload-file ${patches}@/game/patches"
    "SHELL:--preload-file ${web}/allegro.cfg@/game/allegro.cfg")
  # The level studio is built beside the game, from the same sources.
  include(${web}/studio/studio.cmake)
  # The game's page files go beside it as files of their own, each copied again whenever it changes, so that
  # building the game alone brings an edit of one into the zip.
  set(pages "")
  foreach(page index.html controls.js layout.js offline.js sw.js manifest.webmanifest audio-worklet.js link.js)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${page}
      COMMAND ${CMAKE_COMMAND} -E copy ${web}/${page} ${PROJECT_BINARY_DIR}/${page}
      DEPENDS ${web}/${page}
      COMMENT "Copying ${page} beside the game")
    list(APPEND pages ${PROJECT_BINARY_DIR}/${page})
  endforeach()
  add_custom_target(roofrunner_web_pages DEPENDS ${pages})
  add_dependencies(${target} roofrunner_web_pages)
endfunction()
