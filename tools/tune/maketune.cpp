// maketune: writes the in-game train tune as a standard MIDI file.
//
// The whole tune lives in the tables below, one string per bar (4/4).
// Melody and bass: tokens "PITCH LENGTH", e.g. "C4 8 E4 8 G4 4".
//   PITCH  = letter, optional # or b, octave (C4 = middle C), or R for a rest;
//            join pitches with + for a chord ("G3+B3+D4").
//   LENGTH = 1 2 4 8 16, add '.' for dotted or 't' for a triplet ("4." "8t").
// Chords: a chart of chord names per bar (two names split the bar in half),
//   voiced by kVoicings and played to the kComp rhythm ("x" = the chord).
// Drums: named 16-step patterns per bar; several joined with + play together.
//   Steps: X loud, x normal, o soft, . nothing.
// Every part must have the same number of bars and every bar must add up to
// exactly four beats; the program stops with the bar number if not.
// The last bar sits on D7 so the tune runs straight back into its first bar
// when the game loops it.
//
// Rebuild and regenerate from the repository root:
//   g++ -std=c++17 -O2 -Wall -Wextra tools/tune/maketune.cpp -o /tmp/maketune
//   /tmp/maketune Data/Music/train.mid
// (or build the "maketune" CMake target and run it with the same argument).

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- the score
// The score keeps a bar a line, as it is read; the formatter would pack the bars together.
// clang-format off

const int kTempoBpm = 144;  // 36 bars of 4/4 at 144 = exactly 60 seconds

// G major.  Intro (4) | A (8) | A' (8) | B (8) | A'' (8)
const std::vector<const char *> kMelody = {
    // intro: whistle chord as the train pulls out, then the tune slides in
    "B4+E5 2 R 8 B4+E5 4.",
    "R 1",
    "B4+E5 8 R 8 B4+E5 8 R 8 R 2",
    "R 2 D4 8 G4 8 A4 8 A#4 8",
    // A
    "B4 8 D5 8 G5 4 F#5 8 E5 8 D5 4",
    "B4 8 D5 8 G5 8 B5 8 A5 4 G5 4",
    "E5 8 G5 8 E5 8 C5 8 G4 4 C5 4",
    "B4 4. A4 8 G4 2",
    "B4 8 D5 8 G5 4 F#5 8 G5 8 A5 4",
    "B5 4 G5 8 E5 8 B4 4 E5 4",
    "C#5 8 E5 8 A5 8 G5 8 E5 4 C#5 4",
    "D5 8 F#5 8 A5 4 F#5 8 D5 8 C5 4",
    // A'
    "B4 8 D5 8 G5 4 F#5 8 E5 8 D5 4",
    "G5 8 F#5 8 G5 8 A5 8 B5 4 G5 4",
    "C6 4 B5 8 A5 8 G5 8 E5 8 C5 4",
    "Eb5 4 G5 8 Eb5 8 C5 2",
    "D5 8 G5 8 B5 8 G5 8 D5 4 B4 4",
    "G#4 8 B4 8 E5 8 G#5 8 D5 4 B4 4",
    "A4 8 C5 8 E5 4 D5 8 F#5 8 A5 4",
    "G5 4. D5 8 G5 4 R 4",
    // B
    "E5 4 E5 8 G5 8 R 8 E5 8 C5 4",
    "F#5 4 F#5 8 A5 8 R 8 F#5 8 D5 4",
    "D5 8 F#5 8 B5 4 A5 8 F#5 8 D5 4",
    "E5 8 G5 8 B5 4. A5 8 G5 4",
    "C5 8 E5 8 G5 8 C6 8 B5 8 A5 8 G5 4",
    "A5 8 F#5 8 D5 8 F#5 8 A5 2",
    "C6 4 B5 8 A5 8 E5 4 C5 4",
    "D5 8 E5 8 F#5 8 A5 8 C6 8 A5 8 F#5 8 D5 8",
    // A''
    "B4 8 D5 8 G5 4 F#5 8 E5 8 D5 4",
    "B4 8 D5 8 G5 8 B5 8 A5 4 G5 4",
    "E5 8 G5 8 E5 8 C5 8 G4 4 C5 4",
    "B4 4. A4 8 G4 4 B4 4",
    "C5 8 E5 8 G5 8 E5 8 A5 4 G5 4",
    "F#5 8 A5 8 C6 8 A5 8 F#5 4 D5 4",
    "G5 4. D5 8 B4 8 G4 8 R 4",
    "F#5 4 E5 8 D5 8 C5 4 A4 4",  // D7 again: back to the top
};

// Steady eighths keep the wheels turning; the last notes of a bar walk into
// the next chord.
const std::vector<const char *> kBass = {
    // intro
    "G2 8 G2 8 D3 8 G2 8 G2 8 G2 8 D3 8 G2 8",
    "G2 8 G2 8 D3 8 G2 8 G2 8 G2 8 D3 8 G2 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 D3 8 B2 8",
    "D2 8 D2 8 A2 8 D2 8 F#2 8 A2 8 C3 8 A2 8",
    // A
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 D3 8 G2 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 D3 8 E3 8 F#3 8",
    "C3 8 C3 8 G2 8 C3 8 E3 8 C3 8 G2 8 C3 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 A2 8 G2 8 F#2 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 D3 8 G2 8",
    "E2 8 E2 8 B2 8 E2 8 G2 8 E2 8 B2 8 E2 8",
    "A2 8 A2 8 E3 8 A2 8 C#3 8 A2 8 G2 8 E2 8",
    "D2 8 D2 8 A2 8 D2 8 F#2 8 A2 8 C3 8 F#2 8",
    // A'
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 D3 8 G2 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 D3 8 E3 8 F#3 8",
    "C3 8 C3 8 G2 8 C3 8 E3 8 C3 8 G2 8 C3 8",
    "C3 8 C3 8 G2 8 C3 8 Eb3 8 C3 8 G2 8 C3 8",
    "D3 8 D3 8 G2 8 D3 8 B2 8 G2 8 D3 8 B2 8",
    "E2 8 E2 8 B2 8 E2 8 G#2 8 B2 8 D3 8 B2 8",
    "A2 8 A2 8 E3 8 A2 8 D2 8 D2 8 F#2 8 A2 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 D3 8 B2 8",
    // B
    "C3 8 C3 8 G2 8 C3 8 E3 8 C3 8 G2 8 C#3 8",
    "D3 8 D3 8 A2 8 D3 8 F#3 8 D3 8 A2 8 A#2 8",
    "B2 8 B2 8 F#2 8 B2 8 D3 8 B2 8 F#2 8 D#2 8",
    "E2 8 E2 8 B2 8 E2 8 G2 8 B2 8 A2 8 B2 8",
    "C3 8 C3 8 G2 8 C3 8 E3 8 C3 8 G2 8 C#3 8",
    "D3 8 D3 8 A2 8 D3 8 F#3 8 D3 8 C3 8 B2 8",
    "A2 8 A2 8 E3 8 A2 8 C3 8 A2 8 E3 8 A2 8",
    "D2 8 D2 8 A2 8 D2 8 E2 8 F#2 8 A2 8 F#2 8",
    // A''
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 D3 8 G2 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 D3 8 E3 8 F#3 8",
    "C3 8 C3 8 G2 8 C3 8 E3 8 C3 8 G2 8 C3 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 A2 8 B2 8",
    "C3 8 C3 8 G2 8 C3 8 E3 8 C3 8 B2 8 C#3 8",
    "D3 8 D3 8 A2 8 D3 8 F#3 8 D3 8 A2 8 F#2 8",
    "G2 8 G2 8 D3 8 G2 8 B2 8 G2 8 D3 8 G2 8",
    "D2 8 D2 8 A2 8 D2 8 F#2 8 A2 8 C3 8 F#2 8",
};

const std::vector<const char *> kChordChart = {
    "G", "G", "G", "D7",                              // intro
    "G", "G", "C", "G", "G", "Em", "A7", "D7",        // A
    "G", "G", "C", "Cm", "G", "E7", "Am D7", "G",     // A'
    "C", "D", "Bm", "Em", "C", "D", "Am", "D7",       // B
    "G", "G", "C", "G", "C", "D7", "G", "D7",         // A''
};

const std::map<std::string, const char *> kVoicings = {
    {"G", "G3+B3+D4"},   {"C", "G3+C4+E4"},   {"Cm", "G3+C4+Eb4"},
    {"D", "F#3+A3+D4"},  {"D7", "F#3+C4+D4"}, {"Em", "G3+B3+E4"},
    {"E7", "G#3+D4+E4"}, {"A7", "G3+C#4+E4"}, {"Am", "A3+C4+E4"},
    {"Bm", "F#3+B3+D4"},
};

// Off-beat strums: the "chuck" between the bass notes.
const char * const kComp = "R 8 x 8 R 8 x 8 R 8 x 8 R 8 x 8";

struct DrumLine {
    int note;        // GM percussion key
    int lengthSteps; // how long the key is held, in 16ths
    const char * steps;
};

// GM keys: 36 kick, 38 snare, 42 closed hat, 49 crash, 54 tambourine,
// 45/47/50 toms, 71 short whistle, 72 long whistle.
const std::map<std::string, std::vector<DrumLine>> kDrumPatterns = {
    // chuff-a-CHUFF-a: accents on the off-beat eighths
    {"chug", {{36, 1, "x.......x......."},
              {38, 1, "....X..o....X.o."},
              {42, 1, "xoXoxoXoxoXoxoXo"}}},
    {"tamb", {{54, 1, "..x...x...x...x."}}},
    {"crash", {{49, 4, "X..............."}}},
    // whoo .. whoo
    {"toot", {{72, 6, "X.......x......."}}},
    // peep-peep in the rest at the end of a phrase
    {"peep", {{71, 2, "............X.X."}}},
    {"fill", {{36, 1, "x.......x......."},
              {38, 1, "....X.......XxXX"},
              {42, 1, "xoXoxoXo........"},
              {50, 1, "........X......."},
              {47, 1, "..........x....."}}},
};

const std::vector<const char *> kDrums = {
    // intro
    "chug+crash+toot", "chug", "chug", "fill",
    // A
    "chug+crash", "chug", "chug", "chug", "chug", "chug", "chug", "fill",
    // A'
    "chug+crash", "chug", "chug", "chug", "chug", "chug", "chug", "chug+peep",
    // B
    "chug+tamb+crash", "chug+tamb", "chug+tamb", "chug+tamb",
    "chug+tamb", "chug+tamb", "chug+tamb", "fill",
    // A''
    "chug+crash", "chug", "chug", "chug", "chug", "chug", "chug+peep", "fill",
};

// Mix: channel (0-based; 9 is drums), GM program (0-based), volume, pan,
// base velocity, fraction of each note actually held.
struct Voice {
    const char * name;
    int channel;
    int program;
    int volume;
    int pan;
    int velocity;
    double gate;
};

const Voice kMelodyVoice = {"Lead", 0, 80, 104, 64, 92, 0.85};   // square lead
const Voice kBassVoice = {"Bass", 1, 33, 100, 60, 90, 0.70};    // finger bass
const Voice kChordVoice = {"Strum", 2, 25, 80, 76, 74, 0.60};   // steel guitar
const Voice kDrumVoice = {"Drums", 9, 0, 88, 64, 0, 0.90};     // standard kit
// clang-format on

// ------------------------------------------------------------ the machinery

const int kDivision = 96;  // ticks per quarter note
const int kBarTicks = kDivision * 4;
const int kStepTicks = kDivision / 4;

struct Event {
    uint32_t tick;
    int order;  // at the same tick: note-offs first, then set-up, then note-ons
    std::vector<uint8_t> bytes;
};

struct Track {
    std::string name;
    std::vector<Event> events;
};

[[noreturn]] void fail(const std::string &what) { throw std::runtime_error(what); }

int parsePitch(const std::string &s) {
    static const int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    if (s.empty() || s[0] < 'A' || s[0] > 'G') fail("bad pitch '" + s + "'");
    int note = kSemitone[s[0] - 'A'];
    size_t i = 1;
    if (i < s.size() && s[i] == '#') {
        ++note;
        ++i;
    } else if (i < s.size() && s[i] == 'b') {
        --note;
        ++i;
    }
    if (i + 1 != s.size() || s[i] < '0' || s[i] > '8') fail("bad octave in '" + s + "'");
    int midi = (s[i] - '0' + 1) * 12 + note;
    if (midi < 0 || midi > 127) fail("pitch out of range '" + s + "'");
    return midi;
}

int parseLength(const std::string &s) {
    size_t n = 0;
    int denom = 0;
    try {
        denom = std::stoi(s, &n);
    } catch (...) {
        fail("bad length '" + s + "'");
    }
    if (denom != 1 && denom != 2 && denom != 4 && denom != 8 && denom != 16) fail("bad length '" + s + "'");
    int ticks = kBarTicks / denom;
    std::string rest = s.substr(n);
    if (rest == ".")
        ticks += ticks / 2;
    else if (rest == "t")
        ticks = ticks * 2 / 3;
    else if (!rest.empty())
        fail("bad length '" + s + "'");
    return ticks;
}

std::vector<int> parseChord(const std::string &s) {
    std::vector<int> notes;
    std::stringstream in(s);
    std::string p;
    while (std::getline(in, p, '+')) notes.push_back(parsePitch(p));
    return notes;
}

void addNote(Track &t, const Voice &v, uint32_t tick, int ticks, int note, int vel) {
    int held = std::max(1, static_cast<int>(ticks * v.gate));
    vel = std::clamp(vel, 1, 127);
    uint8_t ch = static_cast<uint8_t>(v.channel);
    t.events.push_back(
        {tick, 2, {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(note), static_cast<uint8_t>(vel)}});
    t.events.push_back({tick + held, 0, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(note), 64}});
}

Track startTrack(const Voice &v) {
    Track t{v.name, {}};
    uint8_t ch = static_cast<uint8_t>(v.channel);
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xC0 | ch), static_cast<uint8_t>(v.program)}});
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 7, static_cast<uint8_t>(v.volume)}});
    t.events.push_back({0, 1, {static_cast<uint8_t>(0xB0 | ch), 10, static_cast<uint8_t>(v.pan)}});
    return t;
}

// One bar of "PITCH LENGTH" pairs onto the track; a bar that does not fill
// exactly 4/4 stops the program rather than shifting every later bar.
void addBar(Track &t, const Voice &v, int bar, const std::string &text) {
    std::stringstream in(text);
    std::string pitch, length;
    uint32_t start = static_cast<uint32_t>(bar * kBarTicks);
    int pos = 0;
    while (in >> pitch) {
        if (!(in >> length))
            fail("bar " + std::to_string(bar + 1) + " of " + v.name + ": '" + pitch + "' has no length");
        int ticks = parseLength(length);
        if (pitch != "R") {
            // a little lift on the downbeat so the phrase swings forward
            int vel = v.velocity + (pos == 0 ? 6 : pos % kDivision == 0 ? 2 : 0);
            for (int n : parseChord(pitch)) addNote(t, v, start + pos, ticks, n, vel);
        }
        pos += ticks;
    }
    if (pos != kBarTicks)
        fail("bar " + std::to_string(bar + 1) + " of " + v.name + " lasts " + std::to_string(pos) + " ticks, want " +
             std::to_string(kBarTicks));
}

Track buildPart(const Voice &v, const std::vector<const char *> &bars) {
    Track t = startTrack(v);
    for (size_t b = 0; b < bars.size(); ++b) addBar(t, v, static_cast<int>(b), bars[b]);
    return t;
}

Track buildChords() {
    Track t = startTrack(kChordVoice);
    for (size_t b = 0; b < kChordChart.size(); ++b) {
        std::vector<std::string> names;
        std::stringstream chart(kChordChart[b]);
        for (std::string n; chart >> n;) names.push_back(n);
        if (names.empty()) fail("bar " + std::to_string(b + 1) + " of the chord chart is empty");
        for (const auto &n : names)
            if (!kVoicings.count(n)) fail("no voicing for chord '" + n + "'");
        // Substitute the chord for every x, choosing by where in the bar it falls.
        std::stringstream rhythm(kComp);
        std::string out, pitch, length;
        int pos = 0;
        while (rhythm >> pitch >> length) {
            size_t which = static_cast<size_t>(pos) * names.size() / kBarTicks;
            out += (pitch == "x" ? std::string(kVoicings.at(names[which])) : pitch) + " " + length + " ";
            pos += parseLength(length);
        }
        addBar(t, kChordVoice, static_cast<int>(b), out);
    }
    return t;
}

Track buildDrums() {
    Track t = startTrack(kDrumVoice);
    for (size_t b = 0; b < kDrums.size(); ++b) {
        std::stringstream names(kDrums[b]);
        for (std::string name; std::getline(names, name, '+');) {
            auto it = kDrumPatterns.find(name);
            if (it == kDrumPatterns.end()) fail("no drum pattern '" + name + "'");
            for (const DrumLine &line : it->second) {
                std::string steps = line.steps;
                if (steps.size() != 16) fail("drum pattern '" + name + "' needs 16 steps");
                for (int s = 0; s < 16; ++s) {
                    int vel = 0;
                    switch (steps[s]) {
                        case 'X': vel = 100; break;
                        case 'x': vel = 84; break;
                        case 'o': vel = 68; break;
                        case '.': break;
                        default: fail("drum pattern '" + name + "': bad step '" + steps[s] + "'");
                    }
                    if (vel == 0) continue;
                    uint32_t tick = static_cast<uint32_t>(b * kBarTicks + s * kStepTicks);
                    addNote(t, kDrumVoice, tick, line.lengthSteps * kStepTicks, line.note, vel);
                }
            }
        }
    }
    return t;
}

void putVarLen(std::vector<uint8_t> &out, uint32_t v) {
    uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while (v >>= 7) buf[n++] = static_cast<uint8_t>((v & 0x7F) | 0x80);
    while (n) out.push_back(buf[--n]);
}

void putBE(std::vector<uint8_t> &out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> meta(uint8_t type, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> b = {0xFF, type};
    putVarLen(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

std::vector<uint8_t> encodeTrack(Track t, uint32_t endTick) {
    t.events.insert(t.events.begin(), {0, -1, meta(0x03, std::vector<uint8_t>(t.name.begin(), t.name.end()))});
    std::stable_sort(t.events.begin(), t.events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::vector<uint8_t> body;
    uint32_t now = 0;
    for (const Event &e : t.events) {
        if (e.tick > endTick) fail("track " + t.name + " runs past the end of the tune");
        putVarLen(body, e.tick - now);
        now = e.tick;
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
    }
    // End exactly on the last bar line so a looping player goes straight back to bar 1.
    putVarLen(body, endTick - now);
    auto eot = meta(0x2F, {});
    body.insert(body.end(), eot.begin(), eot.end());

    std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
    putBE(chunk, static_cast<uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

}  // namespace

int main(int argc, char **argv) {
    const std::string path = argc > 1 ? argv[1] : "Data/Music/train.mid";
    try {
        const size_t bars = kMelody.size();
        if (kBass.size() != bars || kChordChart.size() != bars || kDrums.size() != bars)
            fail("parts differ in length: melody " + std::to_string(bars) + ", bass " + std::to_string(kBass.size()) +
                 ", chords " + std::to_string(kChordChart.size()) + ", drums " + std::to_string(kDrums.size()) +
                 " bars");
        const uint32_t endTick = static_cast<uint32_t>(bars * kBarTicks);

        Track conductor{"Train", {}};
        const uint32_t usPerQuarter = 60000000u / kTempoBpm;
        conductor.events.push_back({0, 1, meta(0x58, {4, 2, 24, 8})});  // 4/4
        conductor.events.push_back({0, 1, meta(0x59, {1, 0})});         // G major
        conductor.events.push_back(
            {0, 1,
             meta(0x51, {static_cast<uint8_t>(usPerQuarter >> 16), static_cast<uint8_t>(usPerQuarter >> 8),
                         static_cast<uint8_t>(usPerQuarter)})});

        std::vector<Track> tracks = {conductor, buildPart(kMelodyVoice, kMelody), buildPart(kBassVoice, kBass),
                                     buildChords(), buildDrums()};

        std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
        putBE(file, 6, 4);
        putBE(file, 1, 2);  // format 1: one track per part plus the tempo track
        putBE(file, static_cast<uint32_t>(tracks.size()), 2);
        putBE(file, kDivision, 2);
        for (const Track &t : tracks) {
            auto chunk = encodeTrack(t, endTick);
            file.insert(file.end(), chunk.begin(), chunk.end());
        }

        std::filesystem::path p(path);
        if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char *>(file.data()), static_cast<std::streamsize>(file.size()));
        if (!out) fail("cannot write " + path);

        const double seconds = static_cast<double>(endTick) / kDivision * 60.0 / kTempoBpm;
        std::printf("%s: %zu bars at %d bpm, %.1f s, %zu bytes\n", path.c_str(), bars, kTempoBpm, seconds, file.size());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "maketune: %s\n", e.what());
        return 1;
    }
    return 0;
}
