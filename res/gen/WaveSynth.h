// The two removal sounds, synthesised: a soft marimba-like knock for an
// ordinary card and a rising three-note sparkle for a joker.
//
// Both are complete RIFF WAVE images (PCM, 2 channels, 22050 Hz, 16 bits) of
// the lengths the game's sound resources always had: 3033 frames (12,132
// bytes of samples) and 4118 frames (16,472 bytes). Each starts and ends
// with a short fade so the player hears no click, and peaks well below full
// scale so nothing clips.
#pragma once

#include <vector>

class CWaveSynth {
public:
    static constexpr int kRate = 22050;
    static constexpr int kCardFrames = 3033;
    static constexpr int kJokerFrames = 4118;

    static std::vector<unsigned char> CardSound();
    static std::vector<unsigned char> JokerSound();
    // A WAVE image of two equally long channels in -1..1.
    static std::vector<unsigned char> WaveFile(const std::vector<double>& left, const std::vector<double>& right);
};
