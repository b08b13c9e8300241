// Sound and music through SDL's disk driver: the mixed output is written to a
// file, so the tests can hear what really played and when it went quiet.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <SDL.h>
#include <gtest/gtest.h>

#include "SynthAudio.h"
#include "TempDir.h"
#include "res/resource.h"
#include "shell/Sound.h"

namespace {

using namespace std::chrono_literals;

constexpr std::size_t BYTES_PER_SECOND = 44100 * 4;  // 16-bit stereo at the mixer's rate
constexpr int AUDIBLE = 1000;
constexpr int SILENT = 64;

// What the lookups hand out; each test fills in its own.
std::string g_card;
std::string g_joker;
std::string g_tune;

AssetBlob Blob(const std::string& bytes)
{
    if (bytes.empty())
        return {};
    return {reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()};
}
AssetBlob TestSound(int id)
{
    return id == IDR_SOUND_CARD ? Blob(g_card) : id == IDR_SOUND_JOKER ? Blob(g_joker) : AssetBlob{};
}
AssetBlob TestMidi(int id) { return id == IDR_MIDI_TUNE ? Blob(g_tune) : AssetBlob{}; }

class SoundTest : public ::testing::Test {
protected:
    SoundTest()
        : m_driver("SDL_AUDIODRIVER", "disk"),
          m_output("SDL_DISKAUDIOFILE", m_dir.File("output.raw").c_str()),
          m_cache("XDG_CACHE_HOME", m_dir.File("cache").c_str())
    {
        g_card = synth::Wave(880, 0.14, 4000);
        g_joker = synth::Wave(660, 0.19, 12000);
        g_tune = synth::Tune(40);
    }

    // Bytes the disk driver has written so far: a clock on the output.
    std::size_t OutputSize() const
    {
        std::error_code ec;
        const auto size = std::filesystem::file_size(m_dir.File("output.raw"), ec);
        return ec ? 0 : static_cast<std::size_t>(size);
    }
    std::vector<std::int16_t> Output() const { return synth::Samples(ReadAll(m_dir.File("output.raw"))); }

    static bool WaitFor(const std::atomic<int>& counter, int atLeast, std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (counter < atLeast && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(5ms);
        return counter >= atLeast;
    }

    TempDir m_dir;
    ScopedEnv m_driver;
    ScopedEnv m_output;
    ScopedEnv m_cache;
};

// --- Removal sounds -----------------------------------------------------------

TEST_F(SoundTest, RemovalSoundsReachTheOutputEachWithItsOwnData)
{
    std::size_t jokerAt = 0;
    {
        CSoundSystem sound(&TestSound, &TestMidi);
        sound.PlayWave(IDR_SOUND_CARD);
        std::this_thread::sleep_for(400ms);
        jokerAt = OutputSize();
        sound.PlayWave(IDR_SOUND_JOKER);
        std::this_thread::sleep_for(400ms);
    }
    const auto out = Output();
    const int card = synth::Peak(out, 0, jokerAt);
    const int joker = synth::Peak(out, jokerAt, out.size() * 2);
    // The card tone is a third as loud as the joker's.
    EXPECT_GT(card, 3000);
    EXPECT_LT(card, 5000);
    EXPECT_GT(joker, 10000);
}

TEST_F(SoundTest, NewRemovalSoundCutsOffOneStillPlaying)
{
    g_card = synth::Wave(440, 3.0, 4000);  // would sound to the end of the test
    g_joker = synth::Wave(660, 0.1, 12000);
    std::size_t secondAt = 0;
    std::size_t quietFrom = 0;
    {
        CSoundSystem sound(&TestSound, &TestMidi);
        sound.PlayWave(IDR_SOUND_CARD);
        std::this_thread::sleep_for(300ms);
        secondAt = OutputSize();
        sound.PlayWave(IDR_SOUND_JOKER);
        std::this_thread::sleep_for(400ms);
        quietFrom = OutputSize();
        std::this_thread::sleep_for(600ms);
    }
    const auto out = Output();
    EXPECT_GT(synth::Peak(out, 0, secondAt), AUDIBLE);
    EXPECT_GT(synth::Peak(out, secondAt, quietFrom), 10000);
    EXPECT_LT(synth::Peak(out, quietFrom, out.size() * 2), SILENT);
}

TEST_F(SoundTest, MissingOrBrokenSoundPlaysNothing)
{
    g_card.clear();
    g_joker = "RIFF\x10\0\0\0WAVEjunkjunkjunk";
    {
        CSoundSystem sound(&TestSound, &TestMidi);
        sound.PlayWave(IDR_SOUND_CARD);
        sound.PlayWave(IDR_SOUND_JOKER);
        sound.PlayWave(IDR_SOUND_JOKER);
        std::this_thread::sleep_for(300ms);
        EXPECT_EQ(sound.GetAudioDriver(), "disk");
    }
    const auto out = Output();
    EXPECT_GT(out.size(), 0u);
    EXPECT_LT(synth::Peak(out, 0, out.size() * 2), SILENT);
}

// --- The tune -----------------------------------------------------------------

TEST_F(SoundTest, TuneReachesTheOutputAndStopSilencesItAndReports)
{
    std::atomic<int> finished{0};
    std::size_t stoppedBy = 0;
    {
        CSoundSystem sound(&TestSound, &TestMidi);
        sound.SetMusicFinishedCallback([&finished] { ++finished; });
        const std::string path = sound.WriteMusicFile();
        ASSERT_EQ(sound.PlayMusic(path), 0);
        EXPECT_TRUE(sound.IsMusicOpen());
        std::this_thread::sleep_for(1200ms);
        EXPECT_TRUE(sound.IsMusicPlaying());
        EXPECT_GT(synth::Peak(Output(), 0, OutputSize()), AUDIBLE);

        sound.StopMusic();
        EXPECT_TRUE(WaitFor(finished, 1, 500ms));
        // Stopped but still open, until the caller closes on the report.
        EXPECT_FALSE(sound.IsMusicPlaying());
        EXPECT_TRUE(sound.IsMusicOpen());
        std::this_thread::sleep_for(150ms);
        stoppedBy = OutputSize();
        std::this_thread::sleep_for(800ms);
        sound.CloseMusic();
        EXPECT_FALSE(sound.IsMusicOpen());
    }
    const auto out = Output();
    ASSERT_GT(out.size() * 2, stoppedBy + BYTES_PER_SECOND / 2);
    EXPECT_LT(synth::Peak(out, stoppedBy, out.size() * 2), SILENT);
    EXPECT_EQ(finished, 1);
}

TEST_F(SoundTest, TunePlaysOnceAndReportsItsEnd)
{
    g_tune = synth::Tune(2);  // half a second, then the synthesizer's release tails
    std::atomic<int> finished{0};
    CSoundSystem sound(&TestSound, &TestMidi);
    sound.SetMusicFinishedCallback([&finished] { ++finished; });
    ASSERT_EQ(sound.PlayMusic(sound.WriteMusicFile()), 0);
    EXPECT_TRUE(WaitFor(finished, 1, 8000ms));
    EXPECT_FALSE(sound.IsMusicPlaying());
    const std::size_t endedAt = OutputSize();
    std::this_thread::sleep_for(500ms);
    // No repeat: nothing after the end.
    EXPECT_LT(synth::Peak(Output(), endedAt + BYTES_PER_SECOND / 10, OutputSize()), SILENT);
    sound.CloseMusic();
    EXPECT_EQ(finished, 1);
}

TEST_F(SoundTest, CloseWithoutStopDoesNotReport)
{
    std::atomic<int> finished{0};
    CSoundSystem sound(&TestSound, &TestMidi);
    sound.SetMusicFinishedCallback([&finished] { ++finished; });
    ASSERT_EQ(sound.PlayMusic(sound.WriteMusicFile()), 0);
    std::this_thread::sleep_for(300ms);
    sound.CloseMusic();
    EXPECT_FALSE(sound.IsMusicOpen());
    EXPECT_FALSE(sound.IsMusicPlaying());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(finished, 0);
}

// The second clear of a run hears the tune from its first note again, not
// from where the last celebration stopped it.
TEST_F(SoundTest, SecondPlayStartsFromTheBeginning)
{
    g_tune = synth::Tune(3, 16);  // a note, eight seconds of rest, two notes
    std::size_t replayAt = 0;
    std::size_t replayedBy = 0;
    {
        CSoundSystem sound(&TestSound, &TestMidi);
        const std::string path = sound.WriteMusicFile();
        ASSERT_EQ(sound.PlayMusic(path), 0);
        std::this_thread::sleep_for(2000ms);  // well into the rest
        sound.StopMusic();
        sound.CloseMusic();
        std::this_thread::sleep_for(1000ms);
        replayAt = OutputSize();
        ASSERT_EQ(sound.PlayMusic(path), 0);
        replayedBy = OutputSize();  // later than replayAt if the call had to wait for a load
        std::this_thread::sleep_for(600ms);
    }
    const auto out = Output();
    EXPECT_LT(synth::Peak(out, replayAt - BYTES_PER_SECOND / 2, replayAt), SILENT);
    EXPECT_GT(synth::Peak(out, replayAt, replayedBy + BYTES_PER_SECOND / 2), AUDIBLE);
}

TEST_F(SoundTest, NoSoundfontMeansNoTuneAndNoFuss)
{
    CSoundSystem sound(&TestSound, &TestMidi, m_dir.File("no-such-font.sf2"));
    const std::string path = sound.WriteMusicFile();
    sound.PlayWave(999);  // opens the device: the disk driver announces itself
    testing::internal::CaptureStderr();
    EXPECT_EQ(sound.PlayMusic(path), CSoundSystem::ERR_NO_MUSIC);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(sound.IsMusicOpen());
    sound.StopMusic();
    sound.CloseMusic();
    // The removal sounds still work.
    sound.PlayWave(IDR_SOUND_JOKER);
    std::this_thread::sleep_for(300ms);
    EXPECT_GT(synth::Peak(Output(), 0, OutputSize()), AUDIBLE);
    EXPECT_EQ(said.find("fluidsynth"), std::string::npos) << said;
}

TEST_F(SoundTest, MissingMusicFileFailsQuietly)
{
    CSoundSystem sound(&TestSound, &TestMidi);
    EXPECT_EQ(sound.PlayMusic(m_dir.File("nothing.mid")), CSoundSystem::ERR_NO_MUSIC);
    EXPECT_FALSE(sound.IsMusicOpen());
}

// --- The music file -----------------------------------------------------------

TEST_F(SoundTest, MusicFileGoesToTheCacheFolderNotTheCurrentOne)
{
    const std::filesystem::path oldCwd = std::filesystem::current_path();
    std::filesystem::create_directory(m_dir.File("cwd"));
    std::filesystem::current_path(m_dir.File("cwd"));
    CSoundSystem sound(&TestSound, &TestMidi);
    const std::string path = sound.WriteMusicFile();
    std::filesystem::current_path(oldCwd);

    EXPECT_EQ(path, m_dir.File("cache") + "/tolvane32/Tolvane32.mid");
    EXPECT_EQ(sound.GetMusicPath(), path);
    EXPECT_EQ(ReadAll(path), g_tune);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.File("cwd")));

    // A later run with another tune replaces it.
    g_tune = synth::Tune(3);
    CSoundSystem(&TestSound, &TestMidi).WriteMusicFile();
    EXPECT_EQ(ReadAll(path), g_tune);
}

TEST_F(SoundTest, MusicFileDefaultsToDotCacheUnderHome)
{
    ScopedEnv home("HOME", m_dir.Path().c_str());
    ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    EXPECT_EQ(CSoundSystem::MusicFilePath(), m_dir.Path() + "/.cache/tolvane32/Tolvane32.mid");
}

TEST_F(SoundTest, UnwritableCacheFolderIsSilent)
{
    WriteAll(m_dir.File("plain"), "x");
    ScopedEnv cache("XDG_CACHE_HOME", m_dir.File("plain").c_str());
    CSoundSystem sound(&TestSound, &TestMidi);
    sound.PlayWave(IDR_SOUND_CARD);  // the disk driver announces itself on opening
    testing::internal::CaptureStderr();
    const std::string path = sound.WriteMusicFile();
    EXPECT_EQ(sound.PlayMusic(path), CSoundSystem::ERR_NO_MUSIC);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(ReadAll(m_dir.File("plain")), "x");
}

TEST_F(SoundTest, MissingTuneResourceWritesNothing)
{
    g_tune.clear();
    CSoundSystem sound(&TestSound, &TestMidi);
    EXPECT_FALSE(Exists(sound.WriteMusicFile()));
}

// --- The device ---------------------------------------------------------------

TEST_F(SoundTest, NothingOpensTheDeviceBeforeTheFirstSound)
{
    CSoundSystem sound(&TestSound, &TestMidi);
    sound.WriteMusicFile();
    sound.StopMusic();
    sound.CloseMusic();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    EXPECT_EQ(sound.GetAudioDriver(), "");
    EXPECT_FALSE(Exists(m_dir.File("output.raw")));
    sound.PlayWave(IDR_SOUND_CARD);
    EXPECT_EQ(sound.GetAudioDriver(), "disk");
}

TEST_F(SoundTest, FailingDriverFallsBackToDummyAndGoesOn)
{
    {
        ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
        CSoundSystem sound(&TestSound, &TestMidi);
        sound.PlayWave(IDR_SOUND_CARD);
        EXPECT_EQ(sound.GetAudioDriver(), "dummy");
        EXPECT_EQ(sound.PlayMusic(sound.WriteMusicFile()), 0);
        sound.StopMusic();
        sound.CloseMusic();
    }
    // The fallback is not kept: the next start-up tries the configured driver again.
    CSoundSystem sound(&TestSound, &TestMidi);
    sound.PlayWave(IDR_SOUND_CARD);
    EXPECT_EQ(sound.GetAudioDriver(), "disk");
}

TEST_F(SoundTest, DefaultDriverChoiceSaysNothing)
{
    // As on a machine without a sound card: SDL tries ALSA first.
    ScopedEnv driver("SDL_AUDIODRIVER", nullptr);
    CSoundSystem sound(&TestSound, &TestMidi);
    testing::internal::CaptureStderr();
    sound.PlayWave(IDR_SOUND_CARD);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(sound.GetAudioDriver(), "");
}

}  // namespace
