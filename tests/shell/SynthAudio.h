// Small sounds and tunes made on the spot, so the sound tests do not depend
// on the program's generated assets.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

namespace synth {

inline void Put16(std::string& out, unsigned v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline void Put32Be(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xFF);
}

// A RIFF WAVE image of a sine tone: PCM, 2 channels, 22050 Hz, 16 bits, the
// format of the game's removal sounds.
inline std::string Wave(double hz, double seconds, int amplitude)
{
    constexpr unsigned rate = 22050;
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    std::string out = "RIFF";
    Put32(out, 36 + frames * 4);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 2);
    Put32(out, rate);
    Put32(out, rate * 4);
    Put16(out, 4);
    Put16(out, 16);
    out += "data";
    Put32(out, frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto s = static_cast<int>(amplitude * std::sin(2.0 * M_PI * hz * i / rate));
        Put16(out, static_cast<unsigned>(s) & 0xFFFF);
        Put16(out, static_cast<unsigned>(s) & 0xFFFF);
    }
    return out;
}

inline void PutVarLen(std::string& out, std::uint32_t v)
{
    std::string bytes(1, static_cast<char>(v & 0x7F));
    while ((v >>= 7) != 0)
        bytes.insert(bytes.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    out += bytes;
}

// A standard MIDI file (format 0, 96 ticks per quarter, 120 beats a minute)
// of loud piano notes, each an eighth note long: notes / 4 seconds in all.
// With a rest, the first note is followed by that many quarter notes (half
// seconds) of silence before the others.
inline std::string Tune(int notes, int restQuarters = 0)
{
    std::string track;
    PutVarLen(track, 0);
    track += "\xFF\x51\x03\x07\xA1\x20";  // 500,000 us per quarter
    PutVarLen(track, 0);
    track += std::string("\xC0\x00", 2);  // piano
    for (int i = 0; i < notes; ++i) {
        const char key = static_cast<char>(60 + (i * 7) % 24);
        PutVarLen(track, i == 1 ? static_cast<std::uint32_t>(restQuarters) * 96 : 0);
        track += '\x90';
        track += key;
        track += '\x7F';
        PutVarLen(track, 48);
        track += '\x80';
        track += key;
        track += '\x40';
    }
    PutVarLen(track, 0);
    track += "\xFF\x2F";
    track += '\0';

    std::string out = "MThd";
    Put32Be(out, 6);
    out += std::string("\x00\x00\x00\x01\x00\x60", 6);
    out += "MTrk";
    Put32Be(out, static_cast<std::uint32_t>(track.size()));
    return out + track;
}

// Raw 16-bit samples of a disk-driver output file.
inline std::vector<std::int16_t> Samples(const std::string& bytes)
{
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                               (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return samples;
}

// The loudest sample between two byte offsets of such a file.
inline int Peak(const std::vector<std::int16_t>& samples, std::size_t fromByte, std::size_t toByte)
{
    int peak = 0;
    for (std::size_t i = fromByte / 2; i < toByte / 2 && i < samples.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}

}  // namespace synth
