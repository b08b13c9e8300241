// The sound system's own costs, without a window: how long the device takes
// to open with the first card sound, how soon a tune prepared while the last
// cards fall is heard after PlayMusic (and how long PlayMusic waits for an
// unprepared one), and the process's memory at each step: the synthesiser
// and soundfont must be gone once the tune has played.
// Runs on the dummy driver when no SDL_AUDIODRIVER is set; prints, asserts nothing.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
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

// Resident and proportional set sizes in MB.
std::string Memory()
{
    std::ifstream rollup("/proc/self/smaps_rollup");
    double rss = 0, pss = 0;
    for (std::string key; rollup >> key;) {
        double kb = 0;
        if (key == "Rss:" && rollup >> kb)
            rss = kb / 1024;
        else if (key == "Pss:" && rollup >> kb)
            pss = kb / 1024;
    }
    char text[64];
    std::snprintf(text, sizeof text, "RSS %5.1f MB  PSS %5.1f MB", rss, pss);
    return text;
}

void Step(const char* label, double ms = -1)
{
    if (ms >= 0)
        std::printf("%-40s %7.1f ms   %s\n", label, ms, Memory().c_str());
    else
        std::printf("%-40s %10s   %s\n", label, "", Memory().c_str());
}

// Plays the tune, reports the call's own time and the time until it is
// heard, lets it play a while and closes it.
void Clear(CSoundSystem& sound, const char* label)
{
    g_heardAt = 0;
    g_armed = true;
    const auto start = Clock::now();
    const int rc = sound.PlayMusic(sound.GetMusicPath());
    const auto returned = Clock::now();
    while (g_heardAt == 0 && Clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    g_armed = false;
    const long long heard = g_heardAt;
    std::printf("%-40s PlayMusic %6.1f ms, heard after %6.1f ms (result %d, driver %s)\n", label,
                Ms(returned - start), heard != 0 ? Ms(Clock::duration(heard) - start.time_since_epoch()) : -1.0, rc,
                sound.GetAudioDriver().c_str());
    std::this_thread::sleep_for(std::chrono::seconds(2));
    Step("  while the tune plays");
    const auto closing = Clock::now();
    sound.CloseMusic();
    Step("  CloseMusic", Ms(Clock::now() - closing));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    Step("  a second later");
}

}  // namespace

int main()
{
    if (std::getenv("SDL_AUDIODRIVER") == nullptr)
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::filesystem::path cache = std::filesystem::temp_directory_path() / "tolvane-bench-cache";
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    std::printf("soundfont: %s\n", CSoundSystem::DefaultSoundFont().c_str());
    Step("start");
    {
        CSoundSystem sound;
        auto start = Clock::now();
        sound.WriteMusicFile();
        Step("WriteMusicFile", Ms(Clock::now() - start));
        start = Clock::now();
        sound.PlayWave(300);
        Step("first card sound (device + wave)", Ms(Clock::now() - start));
        Mix_SetPostMix(&PostMix, nullptr);
        start = Clock::now();
        sound.PlayWave(300);
        Step("later card sound", Ms(Clock::now() - start));
        for (const char* clear : {"first clear, prepared a second before", "second clear, prepared alike"}) {
            start = Clock::now();
            sound.PrepareMusic();
            Step("PrepareMusic (as the apex is taken)", Ms(Clock::now() - start));
            std::this_thread::sleep_for(std::chrono::seconds(1));  // the last two cards fall
            Step("  a second later: loaded");
            Clear(sound, clear);
        }
        Clear(sound, "a clear not prepared: PlayMusic waits");
        sound.PrepareMusic();
        Clear(sound, "prepared at once before: PlayMusic waits");
    }
    Step("sound system gone");
    std::filesystem::remove_all(cache);
    return 0;
}
