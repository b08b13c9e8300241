// The program's own removal sounds and tune, played through SDL's disk driver:
// they load, they are heard, and the tune stops on request.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "SynthAudio.h"
#include "TempDir.h"
#include "res/Assets.h"
#include "res/resource.h"
#include "shell/Sound.h"

namespace {

using namespace std::chrono_literals;

constexpr int AUDIBLE = 1000;
constexpr int SILENT = 64;

class GameSoundTest : public ::testing::Test {
protected:
    GameSoundTest()
        : m_driver("SDL_AUDIODRIVER", "disk"),
          m_output("SDL_DISKAUDIOFILE", m_dir.File("output.raw").c_str()),
          m_cache("XDG_CACHE_HOME", m_dir.File("cache").c_str())
    {
    }
    std::size_t OutputSize() const
    {
        std::error_code ec;
        const auto size = std::filesystem::file_size(m_dir.File("output.raw"), ec);
        return ec ? 0 : static_cast<std::size_t>(size);
    }
    std::vector<std::int16_t> Output() const { return synth::Samples(ReadAll(m_dir.File("output.raw"))); }

    TempDir m_dir;
    ScopedEnv m_driver;
    ScopedEnv m_output;
    ScopedEnv m_cache;
};

TEST_F(GameSoundTest, BothRemovalSoundsAreHeard)
{
    ASSERT_TRUE(FindSound(IDR_SOUND_CARD));
    ASSERT_TRUE(FindSound(IDR_SOUND_JOKER));
    std::size_t jokerAt = 0;
    {
        CSoundSystem sound;
        sound.PlayWave(IDR_SOUND_CARD);
        std::this_thread::sleep_for(400ms);
        jokerAt = OutputSize();
        sound.PlayWave(IDR_SOUND_JOKER);
        std::this_thread::sleep_for(400ms);
    }
    const auto out = Output();
    EXPECT_GT(synth::Peak(out, 0, jokerAt), AUDIBLE);
    EXPECT_GT(synth::Peak(out, jokerAt, out.size() * 2), AUDIBLE);
}

TEST_F(GameSoundTest, TuneIsWrittenHeardAndStopped)
{
    if (CSoundSystem::DefaultSoundFont().empty())
        GTEST_SKIP() << "no General MIDI soundfont installed";
    const AssetBlob midi = FindMidi(IDR_MIDI_TUNE);
    ASSERT_TRUE(midi);
    std::atomic<int> finished{0};
    std::size_t stoppedBy = 0;
    {
        CSoundSystem sound;
        sound.SetMusicFinishedCallback([&finished] { ++finished; });
        const std::string path = sound.WriteMusicFile();
        EXPECT_EQ(ReadAll(path), std::string(reinterpret_cast<const char*>(midi.data), midi.size));
        ASSERT_EQ(sound.PlayMusic(path), 0);
        std::this_thread::sleep_for(3000ms);
        EXPECT_GT(synth::Peak(Output(), 0, OutputSize()), AUDIBLE);
        sound.StopMusic();
        std::this_thread::sleep_for(200ms);
        stoppedBy = OutputSize();
        std::this_thread::sleep_for(500ms);
        sound.CloseMusic();
    }
    const auto out = Output();
    EXPECT_LT(synth::Peak(out, stoppedBy, out.size() * 2), SILENT);
    EXPECT_EQ(finished, 1);
}

}  // namespace
