/* platforms/web/platform/web.h — what the browser drivers share among themselves. The page's side of each is in
 * web_library.js. */
#ifndef ROOFRUNNER_WEB_H
#define ROOFRUNNER_WEB_H

#include <allegro.h>

#define SYSTEM_WEB AL_ID('W', 'E', 'B', 'S')
#define TIMER_WEB AL_ID('W', 'E', 'B', 'T')
#define KEYBOARD_WEB AL_ID('W', 'E', 'B', 'K')
#define GFX_WEB AL_ID('W', 'E', 'B', 'G')
#define DIGI_WEB AL_ID('W', 'E', 'B', 'D')

extern SYSTEM_DRIVER system_web;
extern TIMER_DRIVER timer_web;
extern KEYBOARD_DRIVER keyboard_web;
extern GFX_DRIVER gfx_web;
extern DIGI_DRIVER digi_web;

/* Hands the thread to the browser for at least ms milliseconds (0: a moment to paint and deliver events, unless
 * it had one just now), then runs what happened meanwhile: due timer callbacks, key events, focus changes, and the
 * sound's next buffers. */
void web_pump(unsigned int ms);

/* Each driver's share of a pump; each does nothing while its driver is not installed. */
void web_gfx_present(void);
void web_keyboard_pump(void);
void web_keyboard_poll_pads(void);
void web_keyboard_release_all(void);
void web_sound_pump(void);

/* The page's side (web_library.js). */
extern void web_js_title(const char *title);
extern int web_js_active(void);
extern void web_js_present(const void *rgba, int w, int h);
extern void web_js_key_map(const char *code, int scancode);
extern void web_js_key_keep(int scancode);
extern void web_js_key_listen(int on);
extern int web_js_key_next(void);
extern void web_js_key_forget(void);
extern void web_js_pad_poll(void);
extern int web_js_audio_rate(void);
extern int web_js_audio_open(int rate, int frames);
extern int web_js_audio_wanted(void);
extern void web_js_audio_write(const short *samples, int frames);
extern void web_js_audio_close(void);

#endif
