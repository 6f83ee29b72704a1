# The level studio (studio.html), included by web.cmake beside the game's executable. Its engine is the game's
# modules and the checker's (without the checker's main) with the glue of studio.cpp, in a module of its own that
# only the studio page loads: the game's page never downloads it. It draws into memory only, so it takes the
# library without the browser's drivers (studio.cpp names the few it has) and is built for size. Its data file
# holds the shipped Data, from which the studio starts levels and fills downloads.
set(studio ${CMAKE_CURRENT_LIST_DIR})
set(check ${PROJECT_SOURCE_DIR}/tools/check)
add_library(roofrunner_studio_core STATIC ${ROOFRUNNER_CORE_SOURCES} ${ROOFRUNNER_PLATFORM_SOURCES})
target_include_directories(roofrunner_studio_core PUBLIC ${PROJECT_SOURCE_DIR}/src ${ROOFRUNNER_ALLEGRO_PREFIX}/include)
target_compile_definitions(roofrunner_studio_core PUBLIC ALLEGRO_NO_MAGIC_MAIN)
target_compile_options(roofrunner_studio_core PUBLIC -Oz)
add_executable(roofrunner_studio ${studio}/studio.cpp ${check}/check.cpp ${check}/art.cpp ${check}/playtest.cpp)
target_include_directories(roofrunner_studio PRIVATE ${check})
target_link_libraries(roofrunner_studio PRIVATE roofrunner_studio_core ${ROOFRUNNER_ALLEGRO_PREFIX}/lib/liballeg.a)
set(studio_pages studio.html studio.js studio.css pack.js zip.js)
file(GLOB_RECURSE studio_data CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/Data/*)
# The pages are copied after each link, so a change of a page links anew.
list(TRANSFORM studio_pages PREPEND ${studio}/ OUTPUT_VARIABLE studio_page_files)
set_property(TARGET roofrunner_studio APPEND PROPERTY LINK_DEPENDS ${studio_data} ${studio_page_files})
target_link_options(roofrunner_studio PRIVATE
  -Oz
  -sMODULARIZE=1
  -sEXPORT_NAME=RoofrunnerStudio
  -sENVIRONMENT=web
  -sINITIAL_MEMORY=32MB
  -sALLOW_MEMORY_GROWTH=1
  -sFORCE_FILESYSTEM=1
  -sEXIT_RUNTIME=0
  -sEXPORTED_RUNTIME_METHODS=FS,ccall,UTF8ToString
  "SHELL:--preload-file ${PROJECT_SOURCE_DIR}/Data@/shipped/Data")
foreach(page ${studio_pages})
  add_custom_command(TARGET roofrunner_studio POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy ${studio}/${page} $<TARGET_FILE_DIR:roofrunner_studio>/${page})
endforeach()
