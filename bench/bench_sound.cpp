// How long the tune takes to sound after the clearing click: from the
// PlayMusic call to the first audible samples in the mixer's output, with the
// soundfont cold, preloaded as in the game, and warm on a second clear.
// Runs on the dummy driver when no SDL_AUDIODRIVER is set; prints, asserts nothing.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <SDL_mixer.h>

#include "shell/Sound.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_armed{false};
std::atomic<long long> g_heardAt{0};

void PostMix(void*, Uint8* stream, int len)
{
    if (!g_armed)
        return;
    const auto* samples = reinterpret_cast<const Sint16*>(stream);
    for (int i = 0; i < len / 2; ++i) {
        if (samples[i] > 64 || samples[i] < -64) {
            g_heardAt = Clock::now().time_since_epoch().count();
            g_armed = false;
            return;
        }
    }
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Plays the tune and reports the call's own time and the time until it is heard.
void Measure(CSoundSystem& sound, const std::string& path, const char* label)
{
    g_heardAt = 0;
    g_armed = true;
    const auto start = Clock::now();
    const int rc = sound.PlayMusic(path);
    const auto returned = Clock::now();
    while (g_heardAt == 0 && Clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_armed = false;
    const long long heard = g_heardAt;
    const auto closing = Clock::now();
    sound.CloseMusic();
    std::printf("%-34s PlayMusic %6.1f ms  heard after %6.1f ms  CloseMusic %5.1f ms  (result %d, driver %s)\n",
                label, Ms(returned - start),
                heard != 0 ? Ms(Clock::duration(heard) - start.time_since_epoch()) : -1.0,
                Ms(Clock::now() - closing), rc, sound.GetAudioDriver().c_str());
}

// The next clear comes minutes later; the background load has long finished.
void UntilNextClear() { std::this_thread::sleep_for(std::chrono::seconds(2)); }

}  // namespace

int main()
{
    if (std::getenv("SDL_AUDIODRIVER") == nullptr)
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::filesystem::path cache = std::filesystem::temp_directory_path() / "tolvane-bench-cache";
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    std::printf("soundfont: %s; tune: %s\n", CSoundSystem::DefaultSoundFont().c_str(),
                FindMidi(350) ? "the program's own" : "a stand-in");

    {
        // The device opened by a card sound, but nothing preloaded.
        CSoundSystem sound;
        const auto start = Clock::now();
        sound.PlayWave(999);
        std::printf("%-34s %7.1f ms\n", "device open (first card sound)", Ms(Clock::now() - start));
        Mix_SetPostMix(&PostMix, nullptr);
        const std::string path = (cache / "direct.mid").string();
        std::filesystem::create_directories(cache);
        const AssetBlob tune = FindMidi(350);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(tune.data, 1, tune.size, f);
        std::fclose(f);
        Measure(sound, path, "cold soundfont, no preload");
        UntilNextClear();
        Measure(sound, path, "second clear");
        Measure(sound, path, "clear at once after the last");
    }
    {
        // The game's way: the music file at view creation, a card sound
        // later, the clear a while after that.
        CSoundSystem sound;
        auto start = Clock::now();
        const std::string path = sound.WriteMusicFile();
        std::printf("%-34s %7.1f ms\n", "WriteMusicFile", Ms(Clock::now() - start));
        start = Clock::now();
        sound.PlayWave(300);
        std::printf("%-34s %7.1f ms\n", "first card sound (device + wave)", Ms(Clock::now() - start));
        Mix_SetPostMix(&PostMix, nullptr);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        Measure(sound, path, "after preload (first clear)");
        UntilNextClear();
        Measure(sound, path, "second clear");
        start = Clock::now();
        sound.PlayWave(300);
        std::printf("%-34s %7.1f ms\n", "later card sound", Ms(Clock::now() - start));
    }
    {
        // A clear straight after the first card sound: PlayMusic waits for the preload.
        CSoundSystem sound;
        const std::string path = sound.WriteMusicFile();
        sound.PlayWave(300);
        Mix_SetPostMix(&PostMix, nullptr);
        Measure(sound, path, "preload still running");
    }
    std::filesystem::remove_all(cache);
    return 0;
}
