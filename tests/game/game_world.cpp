// tests/game/game_world.cpp
#include "game/game_world.h"

#include <cstdlib>
#include <cstring>

#include "game/game.h"
#include "game/play.h"
#include "game/resources.h"
#include "states/states.h"
#include "support/fixtures.h"

static ASCII_SPRITE *solid(int w, int h, int r, int g, int b, char fill) {
    ASCII_SPRITE *s = sprite_create(w, h);
    sprite_fill(s, fill);
    s->r = r;
    s->g = g;
    s->b = b;
    s->a = 255;
    return s;
}

// Glyph g of the digit strip shows its own character in the band's top-left cell and again in the
// second cell of the band's last row, so a wrong band or band height shows in the picture.
static ASCII_SPRITE *digit_strip() {
    static const char glyphs[] = "0123456789:";
    ASCII_SPRITE *s = sprite_create(2, 66);
    for (int g = 0; g < 11; g++) {
        s->cells[(6 * g) * 2 + 0] = glyphs[g];
        s->cells[(6 * g + 5) * 2 + 1] = glyphs[g];
    }
    s->r = 255;
    s->g = 230;
    s->b = 80;
    s->a = 255;
    return s;
}

void make_game_sprites(const TrainWidths &w) {
    game_sprites_unload();
    coach_sprite = solid(w.coach, 5, 235, 75, 65, '#');
    coach2_sprite = solid(w.coach2, 5, 80, 200, 255, '#');
    coach3_sprite = solid(w.coach3, 5, 120, 230, 90, '#');
    connector_sprite = solid(w.connector, 5, 200, 200, 200, '=');
    engine_sprite = solid(w.engine, 5, 255, 195, 50, '#');
    smoke_sprite = sprite_create(3, 3);
    smoke_sprite->a = 255;
    track_sprite = solid(8, 4, 165, 150, 135, 'H');
    player_sprite = solid(3, 4, 255, 255, 255, 'o');
    player_jump_sprite = solid(3, 4, 250, 250, 0, 'j');
    player_crouch_sprite = solid(3, 2, 0, 250, 250, 'c');
    numbers_sprite = digit_strip();
}

LEVEL_ATTR *make_attr(const LevelDef &def) {
    LEVEL_ATTR *a = level_attr_create(def.width, def.height, (int)def.cars.size());
    a->unit_w = def.unit_w;
    a->unit_h = def.unit_h;
    for (size_t i = 0; i < def.cars.size(); i++) a->cars[i] = def.cars[i];
    a->bg_r = def.bg_r;
    a->bg_g = def.bg_g;
    a->bg_b = def.bg_b;
    a->time_limit = def.time_limit;
    return a;
}

void set_levels(const std::vector<LevelDef> &defs) {
    levels_free();
    levels = (LEVEL **)calloc(defs.size(), sizeof(LEVEL *));
    level_count = (int)defs.size();
    for (size_t i = 0; i < defs.size(); i++) {
        LEVEL *l = level_create(1);
        l->layer_types[0] = LAYER_ATTR;
        l->attr = make_attr(defs[i]);
        l->layers[0] = l->attr;
        levels[i] = l;
    }
    current_level = level_count - 1;
}

void write_game_sprite_files(const TrainWidths &w) {
    write_file("Data/Sprites/Train/coach.txt", sprite_text(w.coach, 5, 235, 75, 65));
    write_file("Data/Sprites/Train/coach2.txt", sprite_text(w.coach2, 5, 80, 200, 255));
    write_file("Data/Sprites/Train/coach3.txt", sprite_text(w.coach3, 5, 120, 230, 90));
    write_file("Data/Sprites/Train/connector.txt", sprite_text(w.connector, 5, 200, 200, 200, '='));
    write_file("Data/Sprites/Train/engine.txt", sprite_text(w.engine, 5, 255, 195, 50));
    write_file("Data/Sprites/Train/track.txt", sprite_text(8, 4, 165, 150, 135, 'H'));
    write_file("Data/Sprites/Player/player.txt", sprite_text(3, 4, 255, 255, 255, 'o'));
    write_file("Data/Sprites/Player/playerj.txt", sprite_text(3, 4, 250, 250, 0, 'j'));
    write_file("Data/Sprites/Player/playerc.txt", sprite_text(3, 2, 0, 250, 250, 'c'));
    write_file("Data/Sprites/Numbers/numbers.txt", sprite_text(2, 66, 255, 230, 80, '8'));
}

std::string attr_text(const LevelDef &s) {
    std::string t = std::to_string(s.width) + " " + std::to_string(s.height) + " " + std::to_string(s.unit_w) + " " +
                    std::to_string(s.unit_h) + " " + std::to_string(s.cars.size()) + "\n";
    for (int c : s.cars) t += std::to_string(c) + " ";
    t += "\n" + std::to_string(s.bg_r) + " " + std::to_string(s.bg_g) + " " + std::to_string(s.bg_b) + " 0\n";
    t += std::to_string(s.time_limit) + "\n";
    return t;
}

void write_level(const std::string &name, const LevelDef &def) {
    write_file("Data/Levels/" + name + "/level.txt", "1\nattr attr.txt\n");
    write_file("Data/Levels/" + name + "/attr.txt", attr_text(def));
}

void write_level_list(int count, const std::vector<std::string> &names) {
    std::string t = std::to_string(count) + "\n";
    for (const std::string &n : names) t += n + "\n";
    write_file("Data/levels.txt", t);
}

void write_level_list(const std::vector<std::string> &names) { write_level_list((int)names.size(), names); }

void clear_keys() { memset((void *)key, 0, KEY_MAX); }

void reset_game_state() {
    reset_states();
    clear_keys();
    help_overlay = 0;
}

bool tick_and_poll() {
    int state = current_state, changes = transition_count;
    game_update();
    if (current_state != state || transition_count != changes) return false;
    game_input();
    game_input();
    return true;
}
