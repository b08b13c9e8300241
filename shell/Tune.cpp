#include "Tune.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>

#include "SdlApi.h"
#include "Sound.h"
#include "SynthApi.h"
#include "UserFiles.h"
#include "res/resource.h"

namespace {

// FluidSynth's own gain is 0.2, faint beside the removal sounds; the tune
// has always played at 1.2.
constexpr float GAIN = 1.2f;
constexpr int RENDER_FRAMES = 1024;

void IgnoreFluidSynthMessage(int, const char*, void*) {}

const SynthApi* LoadFluidSynth()
{
    // libinstpatch, which FluidSynth uses to read DLS files, registers GLib
    // types when it loads and cannot unregister them: once unloaded, its
    // next load floods GLib with criticals and hangs. So it is loaded first
    // and for good; a FluidSynth built without it does not miss it.
    dlopen("libinstpatch-1.0.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
#ifdef __SANITIZE_ADDRESS__
    // FluidSynth's own small leaks are found at the process's end, and a
    // library unloaded by then has no name left to suppress them by.
    constexpr int KEEP = RTLD_NODELETE;
#else
    constexpr int KEEP = 0;
#endif
    void* lib = dlopen("libfluidsynth.so.3", RTLD_NOW | RTLD_LOCAL | KEEP);
    if (lib == nullptr)
        return nullptr;
    // FluidSynth reads a soundfont with OpenMP. The loading thread's helpers
    // are still on their way out in the OpenMP library's code when the
    // loading thread has ended; a tune dropped just then (a game closed
    // right after a clear became certain) would unload that code under them.
    // So the OpenMP library, if FluidSynth brought it, stays.
    dlopen("libgomp.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD | RTLD_NODELETE);
    auto api = std::make_unique<SynthApi>();
    api->library = lib;
#define TOLVANE_SYNTH_RESOLVE(name)                                                \
    api->name = reinterpret_cast<decltype(api->name)>(dlsym(lib, #name));          \
    if (api->name == nullptr) {                                                    \
        dlclose(lib);                                                              \
        return nullptr;                                                            \
    }
    TOLVANE_SYNTH_FUNCTIONS(TOLVANE_SYNTH_RESOLVE)
#undef TOLVANE_SYNTH_RESOLVE
    // FluidSynth prints its errors and warnings (a missing soundfont, a
    // preset the tune asks for) on standard error; the game has no one to
    // tell. Every load starts with its defaults again.
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
        api->fluid_set_log_function(level, &IgnoreFluidSynthMessage, nullptr);
    return api.release();
}

void UnloadFluidSynth(const SynthApi* api)
{
    dlclose(api->library);
    delete api;
}

}  // namespace

SynthLibrary FluidSynthLibrary()
{
    return {&LoadFluidSynth, &UnloadFluidSynth};
}

// One loaded tune: FluidSynth loaded for it, a synthesiser with the
// soundfont, a player with the tune. It goes as a whole, library included.
class CTune::Song final : public CAudioSource {
public:
    Song(SynthLibrary library, const SynthApi& api, Hook& hook) : m_library(library), m_api(api), m_hook(hook) {}
    ~Song() override;
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    // Null when the library, the soundfont or the tune cannot be had.
    static std::unique_ptr<Song> Load(SynthLibrary library, const std::string& soundFont, const std::string& path,
                                      int rate, Hook& hook);
    bool Start() { return m_api.fluid_player_play(m_pPlayer) == FLUID_OK; }
    void MixInto(const SdlApi& sdl, std::uint8_t* stream, int bytes) override;
    void End() override;

private:
    SynthLibrary m_library;
    const SynthApi& m_api;
    Hook& m_hook;
    fluid_settings_t* m_pSettings = nullptr;
    fluid_synth_t* m_pSynth = nullptr;
    fluid_player_t* m_pPlayer = nullptr;
    bool m_bEnded = false;  // under SDL's lock of the device, once it plays
    std::array<std::int16_t, 2 * RENDER_FRAMES> m_samples{};
};

CTune::Song::~Song()
{
    if (m_pPlayer != nullptr)
        m_api.delete_fluid_player(m_pPlayer);
    if (m_pSynth != nullptr)
        m_api.delete_fluid_synth(m_pSynth);
    if (m_pSettings != nullptr)
        m_api.delete_fluid_settings(m_pSettings);
    m_library.unload(&m_api);
}

std::unique_ptr<CTune::Song> CTune::Song::Load(SynthLibrary library, const std::string& soundFont,
                                               const std::string& path, int rate, Hook& hook)
{
    std::ifstream file(path, std::ios::binary);
    const std::string tune{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!tune.starts_with("MThd"))  // FluidSynth would take anything, and play nothing
        return nullptr;
    const SynthApi* api = library.load();
    if (api == nullptr)
        return nullptr;
    auto song = std::make_unique<Song>(library, *api, hook);
    song->m_pSettings = api->new_fluid_settings();
    if (song->m_pSettings == nullptr)
        return nullptr;
    api->fluid_settings_setnum(song->m_pSettings, "synth.sample-rate", rate);
    song->m_pSynth = api->new_fluid_synth(song->m_pSettings);
    if (song->m_pSynth == nullptr || api->fluid_synth_sfload(song->m_pSynth, soundFont.c_str(), 1) == FLUID_FAILED)
        return nullptr;
    api->fluid_synth_set_gain(song->m_pSynth, GAIN);
    song->m_pPlayer = api->new_fluid_player(song->m_pSynth);
    if (song->m_pPlayer == nullptr || api->fluid_player_add_mem(song->m_pPlayer, tune.data(), tune.size()) != FLUID_OK)
        return nullptr;
    return song;
}

void CTune::Song::MixInto(const SdlApi& sdl, std::uint8_t* stream, int bytes)
{
    if (m_bEnded)
        return;
    // The last notes' tails are cut, as they always were.
    if (m_api.fluid_player_get_status(m_pPlayer) != FLUID_PLAYER_PLAYING) {
        End();
        return;
    }
    auto* samples = reinterpret_cast<std::uint8_t*>(m_samples.data());
    for (int done = 0; done < bytes;) {
        const int part = std::min(bytes - done, static_cast<int>(sizeof m_samples));
        m_api.fluid_synth_write_s16(m_pSynth, part / 4, samples, 0, 2, samples, 1, 2);
        sdl.SDL_MixAudioFormat(stream + done, samples, AUDIO_S16SYS, static_cast<Uint32>(part), SDL_MIX_MAXVOLUME);
        done += part;
    }
}

void CTune::Song::End()
{
    if (!std::exchange(m_bEnded, true))
        m_hook.Report();
}

void CTune::Hook::Report()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (onFinished)
        onFinished();
}

CTune::CTune(CAudioDevice& device, AssetLookup findMidi, std::string soundFont, SynthLibrary synth)
    : m_device(device), m_findMidi(findMidi), m_strSoundFont(std::move(soundFont)), m_synth(synth)
{
}

CTune::~CTune()
{
    // The device has gone before and freed the tune.
    if (m_worker.joinable())
        m_worker.join();
}

std::string CTune::Write()
{
    m_strPath = CSoundSystem::MusicFilePath();
    const AssetBlob blob = m_findMidi != nullptr ? m_findMidi(IDR_MIDI_TUNE) : AssetBlob{};
    if (!blob)
        return m_strPath;
    const std::string_view bytes(reinterpret_cast<const char*>(blob.data), blob.size);
    // The same tune from an earlier run stays as it is: no disk write and no
    // sync at every start.
    std::ifstream old(m_strPath, std::ios::binary);
    const std::string oldBytes{std::istreambuf_iterator<char>(old), std::istreambuf_iterator<char>()};
    if (!old || oldBytes != bytes)
        userdirs::ReplaceFile(m_strPath, bytes);
    return m_strPath;
}

bool CTune::HasSoundFont() const
{
    // FluidSynth would load the tune without its font and play it silently.
    std::error_code error;
    return !m_strSoundFont.empty() && std::filesystem::is_regular_file(m_strSoundFont, error);
}

void CTune::StartWork(std::unique_ptr<CAudioSource> played, const std::string& load)
{
    FinishWork();
    if (played == nullptr && load.empty())
        return;
    // The soundfont's samples come in blocks big enough for mappings of their
    // own, which go back to the system when freed. The allocator would raise
    // that bar after the first such free, and the next tune's samples would
    // stay in its heaps for the rest of the run.
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, 128 * 1024); });
    m_strLoadPath = load;
    m_nLoadRate = m_device.Rate();
    // Off the user-interface thread: dropping a synthesiser and reading a
    // soundfont both take long enough to stall a click.
    m_worker = std::thread([this, played = std::move(played)]() mutable {
        if (played != nullptr) {
            played.reset();
            // The synthesiser's smaller pieces too: the allocator would keep
            // them for a next load, minutes away if ever.
            malloc_trim(0);
        }
        if (!m_strLoadPath.empty())
            m_pLoaded = Song::Load(m_synth, m_strSoundFont, m_strLoadPath, m_nLoadRate, m_hook);
    });
}

void CTune::FinishWork()
{
    if (!m_worker.joinable())
        return;
    m_worker.join();
    if (m_pLoaded != nullptr) {
        m_pReady = std::move(m_pLoaded);
        m_strReadyPath = m_strLoadPath;
    }
    m_strLoadPath.clear();
}

void CTune::Prepare()
{
    const bool loadedOrLoading = m_pReady != nullptr || !m_strLoadPath.empty();
    if (!m_strPath.empty() && !loadedOrLoading && HasSoundFont() && m_device.EnsureOpen())
        StartWork(nullptr, m_strPath);
}

int CTune::Play(const std::string& path)
{
    if (!m_device.EnsureOpen())
        return CSoundSystem::ERR_NO_DEVICE;
    // A tune still open from the last clear gives way to the new one.
    Close();
    FinishWork();
    // Not prepared (or another tune): the load runs on the worker, and the caller waits.
    if (m_pReady == nullptr || m_strReadyPath != path) {
        StartWork(std::move(m_pReady), HasSoundFont() ? path : std::string());
        FinishWork();
    }
    std::unique_ptr<Song> song = std::move(m_pReady);
    // With no soundfont there is no tune.
    if (song == nullptr)
        return CSoundSystem::ERR_NO_MUSIC;
    if (!song->Start()) {
        StartWork(std::move(song), {});
        return CSoundSystem::ERR_PLAY;
    }
    m_device.SetSource(std::move(song));
    return 0;
}

void CTune::Stop()
{
    m_device.EndSource();
}

void CTune::Close()
{
    // The played copy cannot be rewound, and the next clear may be far: it
    // goes, and a new one is loaded when a clear is certain.
    if (std::unique_ptr<CAudioSource> played = m_device.SetSource(nullptr))
        StartWork(std::move(played), {});
}

void CTune::Free(bool report)
{
    if (report)
        m_device.EndSource();
    FinishWork();
    m_device.SetSource(nullptr).reset();
    m_pReady.reset();
}

void CTune::SetFinishedCallback(std::function<void()> callback)
{
    std::lock_guard<std::mutex> lock(m_hook.mutex);
    m_hook.onFinished = std::move(callback);
}
