#include "TuneComposer.h"

#include "MidiTrack.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>

namespace {

// The music moves in eighth notes at a brisk 160 a minute: a sixteenth is
// 24 ticks and a bar of 2/4 holds eight of them.
constexpr int kStep = 24;
constexpr int kBar = 8 * kStep;
constexpr int kEnd = CTuneComposer::kLengthTicks;

// Sections, in bars.
constexpr int kIntro = 0, kThemeA = 4, kTrio = 20, kThemeAgain = 36, kCoda = 52, kLastBar = 57;

enum Channel { kMelodyCh = 0, kChordCh = 1, kGlockCh = 2, kBassCh = 3, kDrumCh = 9 };

// General MIDI programs and drum keys.
constexpr int kTrumpet = 56, kFlute = 73, kBrass = 61, kStrings = 48, kGlockenspiel = 9, kTuba = 58;
constexpr int kKick = 36, kSnare = 38, kClap = 39, kClosedHat = 42, kLowTom = 45, kCrash = 49, kTambourine = 54,
              kTriangle = 81;

// ---- the score -----------------------------------------------------------

// Melodies: pitch:sixteenths, r for a rest, | between bars.
const char* const kFanfare =
    "D5:1 D5:1 D5:2 G5:4 | r:2 D5:1 D5:1 G5:2 B5:2 | D6:4 B5:2 G5:2 | F5:4 D5:2 B4:2";
const char* const kFanfareChords[] = {"G", "G", "G", "G7"};

const char* const kThemeFirst =
    "G4:2 C5:2 E5:2 G5:2 | E5:3 C5:1 G5:4 | A5:2 G5:2 F5:2 A5:2 | G5:6 E5:2 |"
    "D5:2 B4:2 G4:2 B4:2 | D5:3 F5:1 E5:2 D5:2 | C5:2 E5:2 G5:2 E5:2 | D5:6 r:2";
const char* const kThemeSecond =
    "G4:2 C5:2 E5:2 G5:2 | C6:4 B5:2 A5:2 | A5:3 F5:1 C6:4 | A5:2 F#5:2 D5:2 F#5:2 |"
    "G5:3 E5:1 C5:2 E5:2 | D5:2 F5:2 B4:2 D5:2 | C5:6 r:2 | ";
const char* const kToTrio = "r:2 C5:2 D5:2 E5:2";
const char* const kToCoda = "r:2 E5:2 F5:2 G5:2";
const char* const kThemeChords[] = {"C", "C", "F", "C", "G", "G7", "C", "G",
                                    "C", "C", "F", "D7", "C/G", "G7", "C", "C"};

const char* const kTrioTune =
    "F5:4 A5:2 C6:2 | A5:4 F5:4 | D6:4 C6:2 Bb5:2 | A5:6 F5:2 |"
    "G5:2 A5:2 Bb5:2 G5:2 | E5:4 C5:4 | F5:2 G5:2 A5:2 C6:2 | F5:6 r:2 |"
    "D5:2 F5:2 A5:2 D6:2 | C6:3 A5:1 F5:4 | Bb5:2 D6:2 F6:2 D6:2 | C6:4 A5:4 |"
    "G5:2 Bb5:2 E6:2 C6:2 | Bb5:2 G5:2 E5:2 G5:2 | F5:4 A5:2 F5:2 | G5:2 F5:2 D5:2 B4:2";
const char* const kTrioChords[] = {"F",  "F",  "Bb", "F", "C7", "C7", "F",  "F",
                                   "Dm", "Dm", "Bb", "F", "C7", "C7", "F", "G7"};

const char* const kCodaTune =
    "A5:2 C6:2 A5:2 F5:2 | G5:2 B5:2 D6:2 B5:2 | C6:4 G5:2 E5:2 | F5:2 A5:2 B5:2 D6:2 |"
    "G5:2 B5:2 D6:4 | C6:8";
const char* const kCodaChords[] = {"F", "G", "C", "F|G", "G7", "C"};

// ---- reading the score -----------------------------------------------------

struct Chord {
    int root;        // pitch class
    int bass;        // pitch class of the lowest note
    int tones[4];
    int count;
};

int PitchClass(const std::string& name, std::size_t& i)
{
    static const int kLetter[] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    int pc = kLetter[name[i++] - 'A'];
    if (i < name.size() && name[i] == '#') {
        ++pc;
        ++i;
    } else if (i < name.size() && name[i] == 'b') {
        --pc;
        ++i;
    }
    return (pc + 12) % 12;
}

Chord ParseChord(const std::string& name)
{
    std::size_t i = 0;
    Chord c{};
    c.root = PitchClass(name, i);
    const std::string rest = name.substr(i);
    int third = 4;
    bool seventh = false;
    std::size_t slash = rest.find('/');
    const std::string quality = rest.substr(0, slash);
    if (quality == "m")
        third = 3;
    if (quality == "7")
        seventh = true;
    c.tones[0] = c.root;
    c.tones[1] = (c.root + third) % 12;
    c.tones[2] = (c.root + 7) % 12;
    c.count = 3;
    if (seventh)
        c.tones[c.count++] = (c.root + 10) % 12;
    c.bass = c.root;
    if (slash != std::string::npos) {
        std::size_t j = slash + 1;
        c.bass = PitchClass(rest, j);
    }
    return c;
}

// The chord name of a bar may hold two halves, "F|G".
void BarChords(const std::string& text, Chord& first, Chord& second)
{
    const std::size_t bar = text.find('|');
    first = ParseChord(text.substr(0, bar));
    second = bar == std::string::npos ? first : ParseChord(text.substr(bar + 1));
}

// The note of pitch class pc in [low, low + 12).
int InRange(int pc, int low)
{
    int n = low + ((pc - low) % 12 + 12) % 12;
    return n;
}

struct Voice {
    CMidiTrack& track;
    int channel;
};

void Play(Voice v, int tick, int length, int key, int velocity)
{
    const int end = std::min(tick + length, kEnd);
    if (end > tick)
        v.track.Note(v.channel, tick, end - tick, key, velocity);
}

// Writes a melody from a bar on; false if a bar does not add up to 2/4.
bool Melody(Voice v, int startBar, const char* text, int velocity, int transpose = 0)
{
    // Bar lines may touch the notes where literals are joined.
    std::string spaced;
    for (const char* p = text; *p; ++p)
        spaced += *p == '|' ? std::string(" | ") : std::string(1, *p);
    std::istringstream in(spaced);
    std::string token;
    int tick = startBar * kBar;
    int barStart = tick;
    bool ok = true;
    auto closeBar = [&]() {
        if (tick - barStart != kBar)
            ok = false;
        barStart = tick;
    };
    while (in >> token) {
        if (token == "|") {
            closeBar();
            continue;
        }
        const std::size_t colon = token.find(':');
        const int steps = std::stoi(token.substr(colon + 1));
        const std::string pitch = token.substr(0, colon);
        const int length = steps * kStep;
        if (pitch != "r") {
            std::size_t i = 0;
            const int pc = PitchClass(pitch, i);
            const int octave = pitch[i] - '0';
            const int key = 12 * (octave + 1) + pc + transpose;
            // Detached a little, as a wind player tongues a march.
            const int held = length - std::max(6, length / 8);
            const int accent = (tick % kBar == 0) ? 8 : 0;
            Play(v, tick, held, key, std::min(127, velocity + accent));
        }
        tick += length;
    }
    closeBar();
    return ok;
}

// Off-beat chords of the march ("oom-PAH"), or held chords.
enum class ChordStyle { Stabs, Held };

void Chords(Voice v, int startBar, const char* const* names, int bars, ChordStyle style, int low, int velocity)
{
    for (int b = 0; b < bars; ++b) {
        Chord first, second;
        BarChords(names[b], first, second);
        const bool split = std::string(names[b]).find('|') != std::string::npos;
        const int bar = (startBar + b) * kBar;
        for (int half = 0; half < 2; ++half) {
            const Chord& c = half == 0 ? first : second;
            const int start = bar + half * 4 * kStep;
            for (int t = 0; t < c.count; ++t) {
                const int key = InRange(c.tones[t], low);
                if (style == ChordStyle::Stabs)
                    Play(v, start + 2 * kStep, 36, key, velocity);
                else if (split)
                    Play(v, start, 4 * kStep - 6, key, velocity);
                else if (half == 0)
                    Play(v, start, kBar - 6, key, velocity);
            }
        }
    }
}

void Bass(Voice v, int startBar, const char* const* names, int bars, int velocity)
{
    for (int b = 0; b < bars; ++b) {
        Chord first, second;
        BarChords(names[b], first, second);
        const int bar = (startBar + b) * kBar;
        const int root = InRange(first.bass, 36);
        Play(v, bar, 40, root, velocity);
        if (std::string(names[b]).find('|') != std::string::npos)
            Play(v, bar + 4 * kStep, 40, InRange(second.bass, 36), velocity - 8);
        else
            Play(v, bar + 4 * kStep, 40, InRange((first.root + 7) % 12, 36), velocity - 8);
    }
}

void Arpeggios(Voice v, int startBar, const char* const* names, int bars, int velocity)
{
    for (int b = 0; b < bars; ++b) {
        Chord c, unused;
        BarChords(names[b], c, unused);
        int keys[4];
        for (int t = 0; t < 3; ++t)
            keys[t] = InRange(c.tones[t], 72);
        std::sort(keys, keys + 3);
        keys[3] = keys[0] + 12;
        const int bar = (startBar + b) * kBar;
        for (int i = 0; i < 4; ++i)
            Play(v, bar + i * 2 * kStep, 40, keys[b % 2 ? 3 - i : i], velocity - (i % 2) * 10);
    }
}

// ---- drums -------------------------------------------------------------------

void MarchBar(Voice d, int bar)
{
    const int t = bar * kBar;
    Play(d, t, 20, kKick, 100);
    Play(d, t + 4 * kStep, 20, kKick, 88);
    Play(d, t + 2 * kStep, 20, kSnare, 72);
    Play(d, t + 6 * kStep, 20, kSnare, 78);
    for (int i = 0; i < 4; ++i)
        Play(d, t + i * 2 * kStep, 20, kClosedHat, i % 2 ? 42 : 56);
}

void TrioBar(Voice d, int bar)
{
    const int t = bar * kBar;
    Play(d, t, 20, kKick, 90);
    Play(d, t + 4 * kStep, 20, kKick, 80);
    Play(d, t + 6 * kStep, 20, kClap, 64);
    for (int i = 0; i < 4; ++i)
        Play(d, t + i * 2 * kStep, 20, kTambourine, i % 2 ? 44 : 58);
    if (bar % 2 == 0)
        Play(d, t, 60, kTriangle, 60);
}

// Sixteenths on the snare, growing louder into the next section.
void Fill(Voice d, int bar)
{
    const int t = bar * kBar;
    Play(d, t, 20, kKick, 96);
    for (int i = 0; i < 8; ++i)
        Play(d, t + i * kStep, 20, kSnare, 60 + i * 7);
}

void Crash(Voice d, int bar) { Play(d, bar * kBar, 90, kCrash, 100); }

void Drums(Voice d)
{
    for (int bar = kIntro; bar < kThemeA - 1; ++bar) {
        Play(d, bar * kBar, 20, kKick, 92);
        Play(d, bar * kBar + 4 * kStep, 30, kLowTom, 80);
        if (bar == kThemeA - 2)
            for (int i = 0; i < 8; ++i)
                Play(d, bar * kBar + i * kStep, 20, kSnare, 38 + i * 3);
    }
    Fill(d, kThemeA - 1);
    for (int bar = kThemeA; bar < kTrio - 1; ++bar)
        MarchBar(d, bar);
    Fill(d, kTrio - 1);
    for (int bar = kTrio; bar < kThemeAgain - 1; ++bar)
        TrioBar(d, bar);
    Fill(d, kThemeAgain - 1);
    for (int bar = kThemeAgain; bar < kCoda - 1; ++bar)
        MarchBar(d, bar);
    Fill(d, kCoda - 1);
    for (int bar = kCoda; bar < kLastBar - 1; ++bar)
        MarchBar(d, bar);
    // A rolled snare swelling into the last chord.
    for (int i = 0; i < 16; ++i)
        Play(d, (kLastBar - 1) * kBar + i * kStep / 2, 10, kSnare, 50 + i * 4);
    // No cymbal on the last chord: its ring would outlast the tune by
    // seconds, and a player reports the end of the tune only after every
    // voice has died away.
    for (int bar : {kThemeA, kTrio, kThemeAgain, kCoda})
        Crash(d, bar);
    Play(d, kLastBar * kBar, 40, kKick, 112);
    Play(d, kLastBar * kBar, 40, kSnare, 110);
    Play(d, kLastBar * kBar, 40, kClap, 96);
}

}  // namespace

std::vector<unsigned char> CTuneComposer::Compose()
{
    std::vector<CMidiTrack> tracks(6);
    CMidiTrack& conductor = tracks[0];
    conductor.Name("Tolvane celebration march");
    conductor.TimeSignature(2, 2);
    conductor.KeySignature(0, false);
    conductor.Tempo(kMicrosecondsPerQuarter);

    struct Setup {
        const char* name;
        int channel, program, volume, pan, reverb;
    };
    const Setup setups[] = {
        {"Melody", kMelodyCh, kTrumpet, 110, 64, 40},
        {"Chords", kChordCh, kBrass, 88, 44, 50},
        {"Glockenspiel", kGlockCh, kGlockenspiel, 80, 88, 60},
        {"Bass", kBassCh, kTuba, 100, 60, 30},
        {"Drums", kDrumCh, -1, 100, 64, 40},
    };
    for (int i = 0; i < 5; ++i) {
        CMidiTrack& track = tracks[i + 1];
        const Setup& s = setups[i];
        track.Name(s.name);
        if (s.program >= 0)
            track.Program(s.channel, s.program);
        track.Control(s.channel, 7, s.volume);
        track.Control(s.channel, 10, s.pan);
        track.Control(s.channel, 91, s.reverb);
    }

    const Voice melody{tracks[1], kMelodyCh}, chords{tracks[2], kChordCh}, glock{tracks[3], kGlockCh},
        bass{tracks[4], kBassCh}, drums{tracks[5], kDrumCh};
    bool ok = true;

    // Fanfare.
    ok &= Melody(melody, kIntro, kFanfare, 100);
    Chords(chords, kIntro, kFanfareChords, 4, ChordStyle::Held, 55, 84);
    Bass(bass, kIntro, kFanfareChords, 4, 92);

    // The march theme, twice eight bars.
    ok &= Melody(melody, kThemeA, kThemeFirst, 98);
    ok &= Melody(melody, kThemeA + 8, (std::string(kThemeSecond) + kToTrio).c_str(), 100);
    Chords(chords, kThemeA, kThemeChords, 16, ChordStyle::Stabs, 55, 76);
    Bass(bass, kThemeA, kThemeChords, 16, 96);
    Arpeggios(glock, kThemeA + 8, kThemeChords + 8, 8, 66);

    // The trio: flute over strings in F.
    tracks[1].Program(kMelodyCh, kFlute, kTrio * kBar);
    tracks[2].Program(kChordCh, kStrings, kTrio * kBar);
    ok &= Melody(melody, kTrio, kTrioTune, 90);
    Chords(chords, kTrio, kTrioChords, 16, ChordStyle::Held, 57, 36);
    Bass(bass, kTrio, kTrioChords, 16, 86);
    Arpeggios(glock, kTrio + 8, kTrioChords + 8, 8, 60);

    // The theme again, in full: brass double the tune an octave down.
    tracks[1].Program(kMelodyCh, kTrumpet, kThemeAgain * kBar);
    tracks[2].Program(kChordCh, kBrass, kThemeAgain * kBar);
    ok &= Melody(melody, kThemeAgain, kThemeFirst, 106);
    ok &= Melody(melody, kThemeAgain + 8, (std::string(kThemeSecond) + kToCoda).c_str(), 108);
    ok &= Melody(chords, kThemeAgain, kThemeFirst, 70, -12);
    ok &= Melody(chords, kThemeAgain + 8, (std::string(kThemeSecond) + kToCoda).c_str(), 72, -12);
    Chords(chords, kThemeAgain, kThemeChords, 16, ChordStyle::Stabs, 55, 72);
    Bass(bass, kThemeAgain, kThemeChords, 16, 100);
    Arpeggios(glock, kThemeAgain, kThemeChords, 16, 68);

    // Coda and the last chord, held to the very end.
    ok &= Melody(melody, kCoda, kCodaTune, 110);
    Chords(chords, kCoda, kCodaChords, 4, ChordStyle::Stabs, 55, 80);
    Chords(chords, kCoda + 4, kCodaChords + 4, 2, ChordStyle::Held, 55, 92);
    Bass(bass, kCoda, kCodaChords, 5, 100);
    Play(bass, kLastBar * kBar, kBar, 36, 110);
    Play(bass, kLastBar * kBar, kBar, 48, 96);
    // The glockenspiel rings for seconds after each stroke, so it rests in
    // the coda and the tune ends with the chord.
    Drums(drums);

    if (!ok)
        return {};
    for (CMidiTrack& track : tracks)
        track.EndAt(kEnd);
    return CMidiTrack::File(tracks, kTicksPerQuarter);
}
