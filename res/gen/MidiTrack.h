// One track of a Standard MIDI File, built from events at absolute ticks,
// and the assembly of tracks into a format 1 file.
//
// Events may be added in any order; they are sorted by time when the track is
// written, note-offs before other events at the same tick so a note that is
// struck again right after it ends is not cut short by its own release.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CMidiTrack {
public:
    void Name(const std::string& name);
    void Tempo(int microsecondsPerQuarter);
    void TimeSignature(int numerator, int denominatorPower, int tick = 0);
    void KeySignature(int sharps, bool minor);
    void Program(int channel, int program, int tick = 0);
    void Control(int channel, int controller, int value, int tick = 0);
    // A note from `tick` for `length` ticks.
    void Note(int channel, int tick, int length, int key, int velocity);
    // Where the track ends; the end-of-track event goes here (never before the last event).
    void EndAt(int tick) { m_end = tick; }

    int LastTick() const;
    std::vector<unsigned char> Chunk() const;

    // The whole file: header chunk and the tracks, in order.
    static std::vector<unsigned char> File(const std::vector<CMidiTrack>& tracks, int ticksPerQuarter);

private:
    struct Event {
        int tick;
        int order;  // 0 note-off, 1 meta and controls, 2 note-on
        int sequence;
        std::vector<unsigned char> bytes;
    };
    void Add(int tick, int order, std::vector<unsigned char> bytes);

    std::vector<Event> m_events;
    int m_end = 0;
};
