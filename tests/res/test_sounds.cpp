// The two removal sounds as the sound player receives them: complete RIFF
// WAVE images in the one format the game uses, of their fixed lengths,
// without clipping and without a click at either end.
#include "res/Assets.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::uint32_t Le(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

struct Wave {
    int format = 0, channels = 0, bitsPerSample = 0, blockAlign = 0;
    std::uint32_t rate = 0, byteRate = 0;
    std::vector<std::int16_t> samples;  // interleaved
    std::size_t dataBytes = 0;
    std::string error;
};

// Walks the chunks as a strict reader does; sets error on anything malformed.
Wave Parse(AssetBlob blob)
{
    Wave w;
    if (!blob || blob.size < 12) {
        w.error = "no RIFF header";
        return w;
    }
    const unsigned char* p = blob.data;
    if (std::string(reinterpret_cast<const char*>(p), 4) != "RIFF" ||
        std::string(reinterpret_cast<const char*>(p + 8), 4) != "WAVE") {
        w.error = "not RIFF/WAVE";
        return w;
    }
    if (Le(p + 4, 4) != blob.size - 8) {
        w.error = "RIFF size does not match the image";
        return w;
    }
    bool haveFormat = false, haveData = false;
    std::size_t pos = 12;
    while (pos + 8 <= blob.size) {
        const std::string id(reinterpret_cast<const char*>(p + pos), 4);
        const std::uint32_t size = Le(p + pos + 4, 4);
        const unsigned char* body = p + pos + 8;
        if (pos + 8 + size > blob.size) {
            w.error = "chunk " + id + " runs past the end";
            return w;
        }
        if (id == "fmt ") {
            haveFormat = size >= 16;
            w.format = int(Le(body, 2));
            w.channels = int(Le(body + 2, 2));
            w.rate = Le(body + 4, 4);
            w.byteRate = Le(body + 8, 4);
            w.blockAlign = int(Le(body + 12, 2));
            w.bitsPerSample = int(Le(body + 14, 2));
        } else if (id == "data") {
            if (!haveFormat) {
                w.error = "data before fmt";
                return w;
            }
            haveData = true;
            w.dataBytes = size;
            for (std::uint32_t i = 0; i + 1 < size; i += 2)
                w.samples.push_back(static_cast<std::int16_t>(Le(body + i, 2)));
        }
        pos += 8 + size + (size & 1);
    }
    if (!haveFormat || !haveData)
        w.error = "fmt or data chunk missing";
    return w;
}

class RemovalSound : public ::testing::TestWithParam<std::pair<int, std::size_t>> {};

TEST_P(RemovalSound, IsPcmStereo22kHz16Bit)
{
    const Wave w = Parse(FindSound(GetParam().first));
    ASSERT_EQ("", w.error);
    EXPECT_EQ(1, w.format);
    EXPECT_EQ(2, w.channels);
    EXPECT_EQ(22050u, w.rate);
    EXPECT_EQ(16, w.bitsPerSample);
    EXPECT_EQ(4, w.blockAlign);
    EXPECT_EQ(22050u * 4, w.byteRate);
}

TEST_P(RemovalSound, HasItsLengthOfSamples)
{
    const Wave w = Parse(FindSound(GetParam().first));
    ASSERT_EQ("", w.error);
    EXPECT_EQ(GetParam().second, w.dataBytes);
    // RIFF header, a 16-byte format chunk and the data: nothing else to skip.
    EXPECT_EQ(44 + GetParam().second, FindSound(GetParam().first).size);
}

TEST_P(RemovalSound, IsAudibleWithoutClippingOrClicks)
{
    const Wave w = Parse(FindSound(GetParam().first));
    ASSERT_EQ("", w.error);
    ASSERT_GT(w.samples.size(), 400u);
    int peak = 0;
    for (std::int16_t s : w.samples)
        peak = std::max(peak, std::abs(int(s)));
    EXPECT_GT(peak, 8000) << "too quiet to hear over the music";
    EXPECT_LT(peak, 32000) << "at or near full scale";
    // Faded in and out: the first and last frames start and end near silence.
    for (int i = 0; i < 4; ++i) {
        EXPECT_LT(std::abs(int(w.samples[i])), 300) << "start, sample " << i;
        EXPECT_LT(std::abs(int(w.samples[w.samples.size() - 1 - i])), 300) << "end, sample " << i;
    }
    // No jump between neighbouring frames that a speaker would click on.
    int biggestStep = 0;
    for (std::size_t i = 2; i < w.samples.size(); ++i)
        biggestStep = std::max(biggestStep, std::abs(int(w.samples[i]) - int(w.samples[i - 2])));
    EXPECT_LT(biggestStep, 16000);
}

INSTANTIATE_TEST_SUITE_P(CardAndJoker, RemovalSound,
                         ::testing::Values(std::make_pair(IDR_SOUND_CARD, std::size_t{12132}),
                                           std::make_pair(IDR_SOUND_JOKER, std::size_t{16472})),
                         [](const auto& param) { return param.param.first == IDR_SOUND_CARD ? "Card" : "Joker"; });

TEST(RemovalSounds, CardAndJokerSoundDifferent)
{
    const Wave card = Parse(FindSound(IDR_SOUND_CARD));
    const Wave joker = Parse(FindSound(IDR_SOUND_JOKER));
    ASSERT_EQ("", card.error);
    ASSERT_EQ("", joker.error);
    // Compare the shared first part: different tones, not a longer copy.
    long long difference = 0;
    for (std::size_t i = 0; i < card.samples.size(); ++i)
        difference += std::abs(int(card.samples[i]) - int(joker.samples[i]));
    EXPECT_GT(difference / (long long)card.samples.size(), 1000);
}

TEST(RemovalSounds, OnlyTheTwoSoundIdsExist)
{
    EXPECT_FALSE(FindSound(0));
    EXPECT_FALSE(FindSound(302));
    EXPECT_FALSE(FindSound(IDR_MIDI_TUNE));
}

}  // namespace
