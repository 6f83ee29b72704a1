/* platforms/web/platform/web_sound.c — a digital driver on the library's own mixer, so that its software synthesiser
 * plays the tune as on the desktop. Each pump mixes as many buffers as the page's audio worklet needs to stay a
 * little ahead of the speakers. */
#include <allegro.h>
#include <allegro/internal/aintern.h>

#include "web.h"

#define WEB_SOUND_RATE 44100
#define WEB_SOUND_FRAMES 1024 /* one mix: 23 ms of stereo */

static short buffer[WEB_SOUND_FRAMES * 2];
static int installed = 0;

static int sound_detect(int input) {
    if (input) return FALSE;
    return web_js_audio_open(0, 0) == 0;
}

static int sound_init(int input, int voices) {
    if (input) {
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Input is not supported"));
        return -1;
    }
    if (web_js_audio_open(WEB_SOUND_RATE, WEB_SOUND_FRAMES) != 0) {
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("The browser has no audio output"));
        return -1;
    }
    digi_web.voices = voices;
    if (_mixer_init(WEB_SOUND_FRAMES * 2, WEB_SOUND_RATE, TRUE, TRUE, &digi_web.voices) != 0) {
        web_js_audio_close();
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Can not init software mixer"));
        return -1;
    }
    installed = 1;
    return 0;
}

static void sound_exit(int input) {
    if (input || !installed) return;
    installed = 0;
    _mixer_exit();
    web_js_audio_close();
}

static int sound_buffer_size(void) { return WEB_SOUND_FRAMES; }

void web_sound_pump(void) {
    if (!installed) return;
    for (int want = web_js_audio_wanted(); want > 0; want -= WEB_SOUND_FRAMES) {
        _mix_some_samples((uintptr_t)buffer, 0, TRUE);
        web_js_audio_write(buffer, WEB_SOUND_FRAMES);
    }
}

DIGI_DRIVER digi_web = {
    DIGI_WEB,
    empty_string,
    empty_string,
    "Browser audio",
    0,
    0,
    MIXER_MAX_SFX,
    MIXER_DEF_SFX,
    sound_detect,
    sound_init,
    sound_exit,
    NULL,
    NULL,
    NULL,
    NULL,
    sound_buffer_size,
    _mixer_init_voice,
    _mixer_release_voice,
    _mixer_start_voice,
    _mixer_stop_voice,
    _mixer_loop_voice,
    _mixer_get_position,
    _mixer_set_position,
    _mixer_get_volume,
    _mixer_set_volume,
    _mixer_ramp_volume,
    _mixer_stop_volume_ramp,
    _mixer_get_frequency,
    _mixer_set_frequency,
    _mixer_sweep_frequency,
    _mixer_stop_frequency_sweep,
    _mixer_get_pan,
    _mixer_set_pan,
    _mixer_sweep_pan,
    _mixer_stop_pan_sweep,
    _mixer_set_echo,
    _mixer_set_tremolo,
    _mixer_set_vibrato,
    0,
    0,
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
};
