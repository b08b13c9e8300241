// The celebration tune read as a sequencer reads it: a format 1 Standard MIDI
// File of six tracks at 96 ticks per quarter note, one tempo, the length of
// the original tune, and every note that starts also ends.
#include "res/Assets.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::uint32_t Be(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

struct Track {
    long endTick = 0;
    bool endsWithEndOfTrack = false;
};

struct Song {
    int format = -1, trackCount = -1, division = -1;
    std::vector<Track> tracks;
    std::vector<std::uint32_t> tempos;
    std::set<int> channelsWithNotes;
    std::map<int, int> programs;  // channel -> last program
    int notesOn = 0;
    int hangingNotes = 0;         // note-ons never released
    int releasesWithoutNote = 0;
    std::string error;
};

struct Cursor {
    const unsigned char* p;
    const unsigned char* end;
    bool ok = true;
    unsigned char Byte()
    {
        if (p >= end) {
            ok = false;
            return 0;
        }
        return *p++;
    }
    std::uint32_t VarLen()
    {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned char b = Byte();
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return v;
        }
        ok = false;
        return v;
    }
};

Song Parse(AssetBlob blob)
{
    Song song;
    if (!blob || blob.size < 14 || std::string(reinterpret_cast<const char*>(blob.data), 4) != "MThd" ||
        Be(blob.data + 4, 4) != 6) {
        song.error = "no MThd header";
        return song;
    }
    song.format = int(Be(blob.data + 8, 2));
    song.trackCount = int(Be(blob.data + 10, 2));
    song.division = int(Be(blob.data + 12, 2));
    std::size_t pos = 14;
    std::map<std::pair<int, int>, int> sounding;  // (channel, key) -> count
    while (pos + 8 <= blob.size) {
        if (std::string(reinterpret_cast<const char*>(blob.data + pos), 4) != "MTrk") {
            song.error = "chunk other than MTrk";
            return song;
        }
        const std::uint32_t length = Be(blob.data + pos + 4, 4);
        if (pos + 8 + length > blob.size) {
            song.error = "track runs past the end";
            return song;
        }
        Cursor c{blob.data + pos + 8, blob.data + pos + 8 + length};
        Track track;
        long tick = 0;
        unsigned char status = 0;
        while (c.ok && c.p < c.end) {
            tick += c.VarLen();
            unsigned char b = c.Byte();
            if (b & 0x80) {
                status = b;
                if (b < 0xF0)
                    b = c.Byte();
            } else if (status == 0) {
                song.error = "running status with no status";
                return song;
            }
            if (status == 0xFF) {
                const unsigned char type = c.Byte();
                const std::uint32_t size = c.VarLen();
                if (type == 0x51 && size == 3 && c.end - c.p >= 3)
                    song.tempos.push_back(Be(c.p, 3));
                c.p += std::min<std::ptrdiff_t>(size, c.end - c.p);
                if (type == 0x2F) {
                    track.endsWithEndOfTrack = c.p == c.end;
                    break;
                }
                status = 0;
                continue;
            }
            if (status == 0xF0 || status == 0xF7) {
                c.p += std::min<std::ptrdiff_t>(c.VarLen(), c.end - c.p);
                status = 0;
                continue;
            }
            const int kind = status & 0xF0, channel = status & 0x0F;
            const int data1 = b;
            const int data2 = (kind == 0xC0 || kind == 0xD0) ? -1 : c.Byte();
            if (kind == 0xC0)
                song.programs[channel] = data1;
            if (kind == 0x90 && data2 > 0) {
                ++song.notesOn;
                song.channelsWithNotes.insert(channel);
                ++sounding[{channel, data1}];
            } else if (kind == 0x80 || (kind == 0x90 && data2 == 0)) {
                int& n = sounding[{channel, data1}];
                if (n == 0)
                    ++song.releasesWithoutNote;
                else
                    --n;
            }
        }
        if (!c.ok) {
            song.error = "track truncated";
            return song;
        }
        track.endTick = tick;
        song.tracks.push_back(track);
        pos += 8 + length;
    }
    for (const auto& [note, count] : sounding)
        song.hangingNotes += count;
    return song;
}

long LengthInTicks(const Song& song)
{
    long longest = 0;
    for (const Track& t : song.tracks)
        longest = std::max(longest, t.endTick);
    return longest;
}

TEST(CelebrationTune, HeaderIsFormatOneSixTracks96Ticks)
{
    const Song song = Parse(FindMidi(IDR_MIDI_TUNE));
    ASSERT_EQ("", song.error);
    EXPECT_EQ(1, song.format);
    EXPECT_EQ(6, song.trackCount);
    EXPECT_EQ(96, song.division);
    EXPECT_EQ(6u, song.tracks.size());
    for (const Track& t : song.tracks)
        EXPECT_TRUE(t.endsWithEndOfTrack);
}

TEST(CelebrationTune, HasExactlyOneTempoOf750000)
{
    const Song song = Parse(FindMidi(IDR_MIDI_TUNE));
    ASSERT_EQ("", song.error);
    ASSERT_EQ(1u, song.tempos.size());
    EXPECT_EQ(750000u, song.tempos[0]);
}

TEST(CelebrationTune, LastsItsElevenThousandTicks)
{
    const Song song = Parse(FindMidi(IDR_MIDI_TUNE));
    ASSERT_EQ("", song.error);
    EXPECT_EQ(11121, LengthInTicks(song));  // 86.9 s at 0.75 s a quarter note
}

TEST(CelebrationTune, IsAFullArrangementWithDrums)
{
    const Song song = Parse(FindMidi(IDR_MIDI_TUNE));
    ASSERT_EQ("", song.error);
    EXPECT_TRUE(song.channelsWithNotes.count(9)) << "no percussion on channel 10";
    // Melody, harmony, arpeggios and bass, each with its General MIDI instrument.
    EXPECT_GE(song.channelsWithNotes.size(), 5u);
    for (int channel : song.channelsWithNotes) {
        if (channel != 9)
            EXPECT_TRUE(song.programs.count(channel)) << "channel " << channel << " has no program";
    }
    EXPECT_GT(song.notesOn, 600);
}

TEST(CelebrationTune, EveryNoteIsReleased)
{
    const Song song = Parse(FindMidi(IDR_MIDI_TUNE));
    ASSERT_EQ("", song.error);
    EXPECT_EQ(0, song.hangingNotes);
    EXPECT_EQ(0, song.releasesWithoutNote);
}

TEST(CelebrationTune, OnlyTheTuneIdExists)
{
    EXPECT_FALSE(FindMidi(0));
    EXPECT_FALSE(FindMidi(IDR_SOUND_CARD));
}

}  // namespace
