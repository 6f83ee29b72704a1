/* The browser build of the library: a Unix platform without X11, threads, modules or assembler. Stands in for
 * the header the library's own CMake would generate; the drivers are the game's (platforms/web/platform). */
#define ALLEGRO_UNIX
#define ALLEGRO_NO_ASM
#define ALLEGRO_USE_C
