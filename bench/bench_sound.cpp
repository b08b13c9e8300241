// The sound system's own costs, without a window: how long the device takes
// to open with the first card sound, how soon a tune prepared while the last
// cards fall is heard after PlayMusic (and how long PlayMusic waits for an
// unprepared one), and the process's memory at each step: the synthesiser
// and soundfont must be gone once the tune has played.
// Runs on SDL's disk driver, whose file is read as it grows to hear the tune,
// when no SDL_AUDIODRIVER is set; prints, asserts nothing.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "shell/Sound.h"

namespace {

using Clock = std::chrono::steady_clock;

// The disk driver's output: 16-bit samples, written as they are played.
std::string g_recording;

long long RecordedBytes()
{
    std::error_code error;
    const auto size = std::filesystem::file_size(g_recording, error);
    return error ? 0 : static_cast<long long>(size);
}

// When the first sample well above silence past byte `from` was written, or
// the zero time point when none comes within five seconds.
Clock::time_point HeardAfter(long long from)
{
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(5)) {
        std::ifstream in(g_recording, std::ios::binary);
        in.seekg(from);
        for (std::int16_t sample = 0; in.read(reinterpret_cast<char*>(&sample), sizeof sample);)
            if (sample > 64 || sample < -64)
                return Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return {};
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
    const long long from = RecordedBytes();
    const auto start = Clock::now();
    const int rc = sound.PlayMusic(sound.GetMusicPath());
    const auto returned = Clock::now();
    const auto heard = g_recording.empty() ? Clock::time_point() : HeardAfter(from);
    std::printf("%-40s PlayMusic %6.1f ms, heard after %6.1f ms (result %d, driver %s)\n", label,
                Ms(returned - start), heard != Clock::time_point() ? Ms(heard - start) : -1.0, rc,
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
    const std::filesystem::path cache = std::filesystem::temp_directory_path() / "tolvane-bench-cache";
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    if (std::getenv("SDL_AUDIODRIVER") == nullptr) {
        std::filesystem::create_directories(cache);
        g_recording = (cache / "heard.raw").string();
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", g_recording.c_str(), 1);
    }
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
