/* platforms/web/platform/web_keyboard.c — the page's key events into the library's keyboard handler, by physical key
 * (KeyboardEvent.code), so that both the held keys (key[]) and the key buffer (readkey) work. The browser's own
 * key repeat is dropped by the page: a held key is one press, as with the desktop's repeat turned off. The page's
 * touch buttons and the gamepads' buttons come the same road, as the keys they stand for. */
#include <allegro.h>
#include <allegro/internal/aintern.h>

#include "app/keys.h"
#include "web.h"

/* The keys the game reads: the page keeps them from the browser. */
static const int game_keys[] = {GAME_KEYS};

static const struct {
    const char *code;
    int scancode;
} codes[] = {
    {"KeyA", KEY_A},
    {"KeyB", KEY_B},
    {"KeyC", KEY_C},
    {"KeyD", KEY_D},
    {"KeyE", KEY_E},
    {"KeyF", KEY_F},
    {"KeyG", KEY_G},
    {"KeyH", KEY_H},
    {"KeyI", KEY_I},
    {"KeyJ", KEY_J},
    {"KeyK", KEY_K},
    {"KeyL", KEY_L},
    {"KeyM", KEY_M},
    {"KeyN", KEY_N},
    {"KeyO", KEY_O},
    {"KeyP", KEY_P},
    {"KeyQ", KEY_Q},
    {"KeyR", KEY_R},
    {"KeyS", KEY_S},
    {"KeyT", KEY_T},
    {"KeyU", KEY_U},
    {"KeyV", KEY_V},
    {"KeyW", KEY_W},
    {"KeyX", KEY_X},
    {"KeyY", KEY_Y},
    {"KeyZ", KEY_Z},
    {"Digit0", KEY_0},
    {"Digit1", KEY_1},
    {"Digit2", KEY_2},
    {"Digit3", KEY_3},
    {"Digit4", KEY_4},
    {"Digit5", KEY_5},
    {"Digit6", KEY_6},
    {"Digit7", KEY_7},
    {"Digit8", KEY_8},
    {"Digit9", KEY_9},
    {"Numpad0", KEY_0_PAD},
    {"Numpad1", KEY_1_PAD},
    {"Numpad2", KEY_2_PAD},
    {"Numpad3", KEY_3_PAD},
    {"Numpad4", KEY_4_PAD},
    {"Numpad5", KEY_5_PAD},
    {"Numpad6", KEY_6_PAD},
    {"Numpad7", KEY_7_PAD},
    {"Numpad8", KEY_8_PAD},
    {"Numpad9", KEY_9_PAD},
    {"F1", KEY_F1},
    {"F2", KEY_F2},
    {"F3", KEY_F3},
    {"F4", KEY_F4},
    {"F5", KEY_F5},
    {"F6", KEY_F6},
    {"F7", KEY_F7},
    {"F8", KEY_F8},
    {"F9", KEY_F9},
    {"F10", KEY_F10},
    {"F11", KEY_F11},
    {"F12", KEY_F12},
    {"Escape", KEY_ESC},
    {"Backquote", KEY_TILDE},
    {"Minus", KEY_MINUS},
    {"Equal", KEY_EQUALS},
    {"Backspace", KEY_BACKSPACE},
    {"Tab", KEY_TAB},
    {"BracketLeft", KEY_OPENBRACE},
    {"BracketRight", KEY_CLOSEBRACE},
    {"Enter", KEY_ENTER},
    {"Semicolon", KEY_COLON},
    {"Quote", KEY_QUOTE},
    {"Backslash", KEY_BACKSLASH},
    {"IntlBackslash", KEY_BACKSLASH2},
    {"Comma", KEY_COMMA},
    {"Period", KEY_STOP},
    {"Slash", KEY_SLASH},
    {"Space", KEY_SPACE},
    {"Insert", KEY_INSERT},
    {"Delete", KEY_DEL},
    {"Home", KEY_HOME},
    {"End", KEY_END},
    {"PageUp", KEY_PGUP},
    {"PageDown", KEY_PGDN},
    {"ArrowLeft", KEY_LEFT},
    {"ArrowRight", KEY_RIGHT},
    {"ArrowUp", KEY_UP},
    {"ArrowDown", KEY_DOWN},
    {"NumpadDivide", KEY_SLASH_PAD},
    {"NumpadMultiply", KEY_ASTERISK},
    {"NumpadSubtract", KEY_MINUS_PAD},
    {"NumpadAdd", KEY_PLUS_PAD},
    {"NumpadDecimal", KEY_DEL_PAD},
    {"NumpadEnter", KEY_ENTER_PAD},
    {"PrintScreen", KEY_PRTSCR},
    {"Pause", KEY_PAUSE},
    {"ShiftLeft", KEY_LSHIFT},
    {"ShiftRight", KEY_RSHIFT},
    {"ControlLeft", KEY_LCONTROL},
    {"ControlRight", KEY_RCONTROL},
    {"AltLeft", KEY_ALT},
    {"AltRight", KEY_ALTGR},
    {"MetaLeft", KEY_LWIN},
    {"MetaRight", KEY_RWIN},
    {"ContextMenu", KEY_MENU},
    {"ScrollLock", KEY_SCRLOCK},
    {"NumLock", KEY_NUMLOCK},
    {"CapsLock", KEY_CAPSLOCK},
};

static int installed = 0;
static char held[KEY_MAX];

/* The ASCII a key gives in the key buffer, as the desktop's US layout does; 0 for keys without one. */
static int key_ascii(int scancode) {
    if (scancode >= KEY_A && scancode <= KEY_Z) return 'a' + scancode - KEY_A;
    if (scancode >= KEY_0 && scancode <= KEY_9) return '0' + scancode - KEY_0;
    switch (scancode) {
        case KEY_SPACE: return ' ';
        case KEY_ENTER:
        case KEY_ENTER_PAD: return '\r';
        case KEY_ESC: return 27;
        case KEY_BACKSPACE: return 8;
        case KEY_TAB: return 9;
        default: return 0;
    }
}

void web_keyboard_pump(void) {
    if (!installed) return;
    int event;
    while ((event = web_js_key_next()) >= 0) {
        int scancode = event & 0x7f;
        if (scancode <= 0 || scancode >= KEY_MAX) continue;
        if (event & 0x80) {
            held[scancode] = 1;
            _handle_key_press(key_ascii(scancode), scancode);
        } else if (held[scancode]) {
            held[scancode] = 0;
            _handle_key_release(scancode);
        }
    }
}

void web_keyboard_poll_pads(void) {
    if (installed) web_js_pad_poll();
}

void web_keyboard_release_all(void) {
    if (!installed) return;
    web_js_key_forget();
    for (int i = 1; i < KEY_MAX; i++) {
        if (held[i]) {
            held[i] = 0;
            _handle_key_release(i);
        }
    }
}

static int keyboard_init(void) {
    for (size_t i = 0; i < sizeof codes / sizeof codes[0]; i++) web_js_key_map(codes[i].code, codes[i].scancode);
    for (size_t i = 0; i < sizeof game_keys / sizeof game_keys[0]; i++) web_js_key_keep(game_keys[i]);
    for (int i = 0; i < KEY_MAX; i++) held[i] = 0;
    web_js_key_listen(1);
    installed = 1;
    return 0;
}

static void keyboard_exit(void) {
    web_js_key_listen(0);
    installed = 0;
}

KEYBOARD_DRIVER keyboard_web = {
    KEYBOARD_WEB,  empty_string,  empty_string, "Browser keyboard",
    FALSE, /* no repeat of our own */
    keyboard_init, keyboard_exit, NULL,         NULL,
    NULL,          NULL,          NULL,         NULL,
    NULL,
};
