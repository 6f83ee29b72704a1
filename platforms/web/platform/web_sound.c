/* platforms/web/platform/web_sound.c — a digital driver on the library's own mixer, so that its software synthesiser
 * plays the tune as on the desktop. The mixer runs at whatever rate the browser's audio runs at (44.1 kHz on most
 * desktops, 48 kHz on phones, Safari and many sound cards), so nothing is resampled after it. Each pump mixes as
 * many buffers as the page's audio worklet needs to stay a little ahead of the speakers. */
#include <allegro.h>
#include <allegro/internal/aintern.h>

#include "web.h"

/* The rates a browser's audio may run at; outside them the game plays without sound. */
#define WEB_SOUND_MIN_RATE 8000
#define WEB_SOUND_MAX_RATE 192000
/* One mix is about 23 ms of stereo, in whole blocks of the worklet's 128 frames: 1024 frames at 44.1 kHz. */
#define WEB_SOUND_MIX_MS 23
#define WEB_SOUND_BLOCK 128
#define WEB_SOUND_MAX_FRAMES ((WEB_SOUND_MAX_RATE * WEB_SOUND_MIX_MS / 1000 / WEB_SOUND_BLOCK + 1) * WEB_SOUND_BLOCK)

static short buffer[WEB_SOUND_MAX_FRAMES * 2];
static int installed = 0;
static int frames = 0;

static int usable_rate(void) {
    int rate = web_js_audio_rate();
    return rate >= WEB_SOUND_MIN_RATE && rate <= WEB_SOUND_MAX_RATE ? rate : 0;
}

static int sound_detect(int input) {
    if (input) return FALSE;
    return usable_rate() != 0;
}

static int sound_init(int input, int voices) {
    if (input) {
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("Input is not supported"));
        return -1;
    }
    int rate = usable_rate();
    frames = (rate * WEB_SOUND_MIX_MS / 1000 / WEB_SOUND_BLOCK + 1) * WEB_SOUND_BLOCK;
    if (rate == 0 || web_js_audio_open(rate, frames) != 0) {
        ustrzcpy(allegro_error, ALLEGRO_ERROR_SIZE, get_config_text("The browser has no audio output"));
        return -1;
    }
    digi_web.voices = voices;
    if (_mixer_init(frames * 2, rate, TRUE, TRUE, &digi_web.voices) != 0) {
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

static int sound_buffer_size(void) { return frames; }

void web_sound_pump(void) {
    if (!installed) return;
    for (int want = web_js_audio_wanted(); want > 0; want -= frames) {
        _mix_some_samples((uintptr_t)buffer, 0, TRUE);
        web_js_audio_write(buffer, frames);
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
