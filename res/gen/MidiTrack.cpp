#include "MidiTrack.h"

#include <algorithm>

namespace {

void PutVarLen(std::vector<unsigned char>& out, std::uint32_t value)
{
    unsigned char buffer[5];
    int n = 0;
    buffer[n++] = value & 0x7F;
    while ((value >>= 7) != 0)
        buffer[n++] = static_cast<unsigned char>((value & 0x7F) | 0x80);
    while (n > 0)
        out.push_back(buffer[--n]);
}

void PutBe(std::vector<unsigned char>& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xFF));
}

unsigned char Byte(int v) { return static_cast<unsigned char>(v & 0xFF); }

}  // namespace

void CMidiTrack::Add(int tick, int order, std::vector<unsigned char> bytes)
{
    m_events.push_back(Event{tick, order, int(m_events.size()), std::move(bytes)});
}

void CMidiTrack::Name(const std::string& name)
{
    std::vector<unsigned char> bytes{0xFF, 0x03};
    PutVarLen(bytes, static_cast<std::uint32_t>(name.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    Add(0, 1, bytes);
}

void CMidiTrack::Tempo(int microsecondsPerQuarter)
{
    std::vector<unsigned char> bytes{0xFF, 0x51, 0x03};
    PutBe(bytes, static_cast<std::uint32_t>(microsecondsPerQuarter), 3);
    Add(0, 1, bytes);
}

void CMidiTrack::TimeSignature(int numerator, int denominatorPower, int tick)
{
    Add(tick, 1, {0xFF, 0x58, 0x04, Byte(numerator), Byte(denominatorPower), 24, 8});
}

void CMidiTrack::KeySignature(int sharps, bool minor)
{
    Add(0, 1, {0xFF, 0x59, 0x02, Byte(sharps), Byte(minor ? 1 : 0)});
}

void CMidiTrack::Program(int channel, int program, int tick)
{
    Add(tick, 1, {Byte(0xC0 | channel), Byte(program)});
}

void CMidiTrack::Control(int channel, int controller, int value, int tick)
{
    Add(tick, 1, {Byte(0xB0 | channel), Byte(controller), Byte(value)});
}

void CMidiTrack::Note(int channel, int tick, int length, int key, int velocity)
{
    Add(tick, 2, {Byte(0x90 | channel), Byte(key), Byte(velocity)});
    // Note-on with velocity 0 is the customary release and keeps running status cheap.
    Add(tick + length, 0, {Byte(0x90 | channel), Byte(key), 0});
}

int CMidiTrack::LastTick() const
{
    int last = m_end;
    for (const Event& e : m_events)
        last = std::max(last, e.tick);
    return last;
}

std::vector<unsigned char> CMidiTrack::Chunk() const
{
    std::vector<Event> events = m_events;
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        if (a.tick != b.tick)
            return a.tick < b.tick;
        if (a.order != b.order)
            return a.order < b.order;
        return a.sequence < b.sequence;
    });
    std::vector<unsigned char> body;
    int now = 0;
    for (const Event& e : events) {
        PutVarLen(body, static_cast<std::uint32_t>(e.tick - now));
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        now = e.tick;
    }
    PutVarLen(body, static_cast<std::uint32_t>(LastTick() - now));
    body.insert(body.end(), {0xFF, 0x2F, 0x00});

    std::vector<unsigned char> chunk{'M', 'T', 'r', 'k'};
    PutBe(chunk, static_cast<std::uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<unsigned char> CMidiTrack::File(const std::vector<CMidiTrack>& tracks, int ticksPerQuarter)
{
    std::vector<unsigned char> file{'M', 'T', 'h', 'd'};
    PutBe(file, 6, 4);
    PutBe(file, 1, 2);  // format 1: simultaneous tracks
    PutBe(file, static_cast<std::uint32_t>(tracks.size()), 2);
    PutBe(file, static_cast<std::uint32_t>(ticksPerQuarter), 2);
    for (const CMidiTrack& track : tracks) {
        const std::vector<unsigned char> chunk = track.Chunk();
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}
