#include "Sound.h"

#include <dlfcn.h>
#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include "SdlApi.h"
#include "UserFiles.h"
#include "res/Strings.h"
#include "res/resource.h"

namespace {

constexpr int MIX_CHUNK_FRAMES = 1024;  // about 23 ms: a removal sounds with its click

// After a lost device, the first try to open it again comes soon (a server
// restarting is back within a second), the later ones less often.
constexpr auto FIRST_RETRY = std::chrono::milliseconds(250);
constexpr auto LAST_RETRY = std::chrono::milliseconds(2000);

constexpr const char* MUSIC_FOLDER = "tolvane32";
constexpr const char* MUSIC_FILE = "Tolvane32.mid";

// SDL_mixer's finished hook is a plain function without a user pointer: it
// reaches the tune that plays through this, under the hook lock, so the tune
// cannot be destroyed in the middle of a report.
std::mutex g_hookMutex;
CTune* g_pHookTarget = nullptr;

bool FileExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// With no sound card, libasound reports every probe on standard error
// itself, past SDL. The game never speaks to the player that way.
void SilenceAlsa()
{
    using SetHandler = int (*)(decltype(&IgnoreAlsaError));
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept loaded for good: SDL loads the same library and uses the handler.
        void* lib = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (lib == nullptr)
            return;
        if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "snd_lib_error_set_handler")))
            set(&IgnoreAlsaError);
    });
}

// The desktop's volume control shows the stream as the desktop entry shows
// the game: its name, its icon, and the role of a game's sound. SDL passes the
// name on, and the role to PipeWire; PulseAudio takes the icon and the role
// only from PULSE_PROP. A player's own word wins: SDL's hints at normal
// priority give way to its SDL_AUDIO_DEVICE_* variables, and in PULSE_PROP
// the player's properties come after ours, where the later of one key counts.
void NameTheStream(const SdlApi& sdl)
{
    sdl.SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, LoadResString(IDS_MSG_CAPTION));
    sdl.SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Game");
    const std::string ours = "application.icon_name=" TOLVANE_APP_ID " media.role=game";
    const char* players = std::getenv("PULSE_PROP");
    if (players == nullptr)
        setenv("PULSE_PROP", ours.c_str(), 1);
    else if (!std::string_view(players).starts_with(ours))  // not already ours, from an earlier start
        setenv("PULSE_PROP", (ours + " " + players).c_str(), 1);
}

void IgnoreFluidSynthMessage(int, const char*, void*) {}

// FluidSynth prints its errors and warnings (a missing soundfont, a preset
// the tune asks for) on standard error; the game has no one to tell.
void SilenceFluidSynth()
{
    using LogFunction = decltype(&IgnoreFluidSynthMessage);
    using SetLogFunction = LogFunction (*)(int, LogFunction, void*);
    static std::once_flag once;
    std::call_once(once, [] {
        // Loaded by now, with SDL_mixer (whose symbols stay its own) when it
        // uses FluidSynth at all.
        void* lib = dlopen("libfluidsynth.so.3", RTLD_LAZY | RTLD_NOLOAD);
        void* set = lib != nullptr ? dlsym(lib, "fluid_set_log_function") : nullptr;
        if (set != nullptr) {
            for (int level = 0; level <= 4; ++level)  // FLUID_PANIC to FLUID_DBG
                reinterpret_cast<SetLogFunction>(set)(level, &IgnoreFluidSynthMessage, nullptr);
        }
    });
}

}  // namespace

// SDL2_mixer and the libraries it pulls in (FluidSynth, JACK, PulseAudio,
// libsndfile and more: a quarter of all the libraries of the program) are
// loaded with the first sound, not at start-up: mapping and relocating them
// and running their initialisers took a good share of the time before the
// window appeared, for a player who may never hear a sound. A missing library
// (or one without a function) leaves the program silent, like a machine
// without a sound card.
const SdlApi* LoadSdl()
{
    static const std::optional<SdlApi> loaded = []() -> std::optional<SdlApi> {
        // Its own dependencies (SDL2 itself) come with it; lookups through
        // the handle search them too.
        void* lib = dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr)
            return std::nullopt;
        SdlApi api;
#define TOLVANE_SDL_RESOLVE(name)                                                  \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(lib, #name));            \
    if (api.name == nullptr)                                                       \
        return std::nullopt;
        TOLVANE_SDL_FUNCTIONS(TOLVANE_SDL_RESOLVE)
#undef TOLVANE_SDL_RESOLVE
        return api;
    }();
    return loaded ? &*loaded : nullptr;
}

struct CAudioDevice::Link {
    std::mutex device;
    std::mutex flags;
    std::condition_variable wake;
    bool lost = false;        // SDL reported the open device gone
    bool closing = false;     // set with both locks held: the device goes for good
    bool connecting = false;  // under the device lock: a try runs without it
};

// ---------------------------------------------------------------- the device

CAudioDevice::CAudioDevice(SdlLoader loadSdl, AssetLookup findSound, std::function<void(bool lost)> going)
    : m_loadSdl(loadSdl), m_findSound(findSound), m_going(std::move(going)), m_link(std::make_shared<Link>())
{
}

CAudioDevice::~CAudioDevice()
{
    const bool connecting = [this] {
        std::lock_guard<std::mutex> device(m_link->device);
        {
            std::lock_guard<std::mutex> flags(m_link->flags);
            m_link->closing = true;
        }
        m_link->wake.notify_all();
        if (m_state == State::Open)
            TearDown(false);
        return m_link->connecting;
    }();
    if (connecting) {
        // A hung server holds the thread; it closes what it may still open
        // and touches nothing of this object. SDL stays for the process's end.
        m_reconnect.detach();
        return;
    }
    if (m_reconnect.joinable())
        m_reconnect.join();
    if (m_state != State::Lost)
        return;
    m_sdl->Mix_Quit();
    // SDL's own bookkeeping (hints and the like) goes only with a full quit.
    if (m_sdl->SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        m_sdl->SDL_Quit();
}

std::mutex& CAudioDevice::Mutex() const
{
    return m_link->device;
}

bool CAudioDevice::Open(const SdlApi& sdl, const std::string& driver)
{
    if (!driver.empty())
        sdl.SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
    bool open = sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (open &&
        sdl.Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, MIX_DEFAULT_CHANNELS, MIX_CHUNK_FRAMES) != 0) {
        sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
        open = false;
    }
    // The driver is chosen; the next opening should be free to choose again.
    if (!driver.empty())
        sdl.SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    return open;
}

bool CAudioDevice::EnsureOpen()
{
    if (m_state != State::Closed)
        return m_state == State::Open;
    m_sdl = m_loadSdl();
    if (m_sdl == nullptr) {
        m_state = State::Failed;
        return false;
    }
    SilenceAlsa();
    // Only the audio part of SDL runs here; the window toolkit owns the signals.
    m_sdl->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    NameTheStream(*m_sdl);
    // No usable device (a machine without a sound card picks ALSA and
    // fails): the dummy driver keeps the game's timing and stays silent.
    if (!Open(*m_sdl) && !Open(*m_sdl, "dummy")) {
        m_state = State::Failed;
        return false;
    }
    m_sdl->Mix_Init(MIX_INIT_MID);
    SilenceFluidSynth();
    SetUp();
    m_reconnect = std::thread(&CAudioDevice::Reconnect, this, m_link);
    return true;
}

void CAudioDevice::SetUp()
{
    m_state = State::Open;
    m_strDriver = m_sdl->SDL_GetCurrentAudioDriver();
    // One channel for both removal sounds, so the second of a pair cuts off
    // the first as the game's first host did.
    m_sdl->Mix_AllocateChannels(1);
    m_sdl->SDL_AddEventWatch(&CAudioDevice::OnDeviceEvent, m_link.get());
}

void CAudioDevice::TearDown(bool lost)
{
    // Waits for a report under way on SDL's audio thread.
    m_sdl->SDL_DelEventWatch(&CAudioDevice::OnDeviceEvent, m_link.get());
    m_going(lost);
    // Sounds are made for the device's format; a new device may have
    // another, and they are made again for it on demand. (A freed sound
    // stops first.)
    for (auto& [id, chunk] : m_chunks)
        m_sdl->Mix_FreeChunk(chunk);
    m_chunks.clear();
    m_sdl->Mix_CloseAudio();
    m_sdl->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_state = State::Lost;
}

int CAudioDevice::OnDeviceEvent(void* data, SDL_Event* event)
{
    // Only an open device has a number; an output device of this process is ours.
    if (event->type == SDL_AUDIODEVICEREMOVED && event->adevice.iscapture == 0 && event->adevice.which != 0) {
        auto* link = static_cast<Link*>(data);
        {
            std::lock_guard<std::mutex> flags(link->flags);
            link->lost = true;
        }
        link->wake.notify_all();
    }
    return 1;
}

void CAudioDevice::Reconnect(std::shared_ptr<Link> link)
{
    // The table outlives every sound system, this thread included.
    const SdlApi& sdl = *m_sdl;
    // SDL keeps its error text per thread; a thread it did not start must
    // hand that back itself.
    struct TlsCleanup {
        const SdlApi& sdl;
        ~TlsCleanup() { sdl.SDL_TLSCleanup(); }
    } cleanup{sdl};
    for (;;) {
        {
            std::unique_lock<std::mutex> flags(link->flags);
            link->wake.wait(flags, [&] { return link->closing || link->lost; });
            if (link->closing)
                return;
        }
        {
            std::lock_guard<std::mutex> device(link->device);
            if (link->closing)
                return;
            TearDown(true);
            std::lock_guard<std::mutex> flags(link->flags);
            link->lost = false;
        }
        for (auto delay = FIRST_RETRY;; delay = std::min(2 * delay, LAST_RETRY)) {
            {
                std::unique_lock<std::mutex> flags(link->flags);
                if (link->wake.wait_for(flags, delay, [&] { return link->closing; }))
                    return;
            }
            std::string driver;
            {
                std::lock_guard<std::mutex> device(link->device);
                if (link->closing)
                    return;
                link->connecting = true;
                driver = m_strDriver;
            }
            // The lost driver only: while its server is still away, another
            // (ALSA, routed to that very server) may open and keep the
            // stream under a name of its own when the server is back.
            const bool open = Open(sdl, driver);
            std::lock_guard<std::mutex> device(link->device);
            link->connecting = false;
            if (link->closing) {
                // This object may be gone: close what was opened, and only that.
                if (open) {
                    sdl.Mix_CloseAudio();
                    sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
                }
                return;
            }
            if (open) {
                SetUp();
                break;
            }
        }
    }
}

std::string CAudioDevice::Driver() const
{
    if (m_state != State::Open)
        return {};
    const char* name = m_sdl->SDL_GetCurrentAudioDriver();
    return name != nullptr ? name : "";
}

void CAudioDevice::PlayWave(int resourceId)
{
    if (!EnsureOpen())
        return;
    auto [it, fresh] = m_chunks.try_emplace(resourceId, nullptr);
    // A missing or broken sound is remembered as such and never retried.
    if (fresh) {
        if (const AssetBlob blob = m_findSound != nullptr ? m_findSound(resourceId) : AssetBlob{}) {
            if (SDL_RWops* rw = m_sdl->SDL_RWFromConstMem(blob.data, static_cast<int>(blob.size)))
                it->second = m_sdl->Mix_LoadWAV_RW(rw, SDL_TRUE);  // frees rw
        }
    }
    if (it->second != nullptr)
        m_sdl->Mix_PlayChannel(0, it->second, 0);
}

// ---------------------------------------------------------------- the tune

CTune::CTune(CAudioDevice& device, AssetLookup findMidi, std::string soundFont)
    : m_device(device), m_findMidi(findMidi), m_strSoundFont(std::move(soundFont))
{
}

CTune::~CTune()
{
    // The device has gone before and freed the tune; only the hook's word is left.
    std::lock_guard<std::mutex> lock(g_hookMutex);
    if (g_pHookTarget == this)
        g_pHookTarget = nullptr;
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
    return m_strSoundFont.empty() || FileExists(m_strSoundFont);
}

void CTune::StartWork(_Mix_Music* played, const std::string& load)
{
    FinishWork();
    if (played == nullptr && load.empty())
        return;
    const SdlApi& sdl = m_device.Sdl();
    if (!load.empty() && !m_strSoundFont.empty())
        sdl.Mix_SetSoundFonts(m_strSoundFont.c_str());
    // The soundfont's samples come in blocks big enough for mappings of their
    // own, which go back to the system when freed. The allocator would raise
    // that bar after the first such free, and the next tune's samples would
    // stay in its heaps for the rest of the run.
    static std::once_flag once;
    std::call_once(once, [] { mallopt(M_MMAP_THRESHOLD, 128 * 1024); });
    m_strLoadPath = load;
    // Off the user-interface thread: dropping a synthesiser and reading a
    // soundfont both take long enough to stall a click.
    m_worker = std::thread([this, &sdl, played] {
        if (played != nullptr) {
            sdl.Mix_FreeMusic(played);
            // The synthesiser's smaller pieces too: the allocator would keep
            // them for a next load, minutes away if ever.
            malloc_trim(0);
        }
        if (!m_strLoadPath.empty())
            m_pLoaded = sdl.Mix_LoadMUS(m_strLoadPath.c_str());
        // SDL keeps its error text per thread; a thread it did not start must
        // hand that back itself.
        sdl.SDL_TLSCleanup();
    });
}

void CTune::FinishWork()
{
    if (!m_worker.joinable())
        return;
    m_worker.join();
    if (m_pLoaded != nullptr) {
        m_pReady = std::exchange(m_pLoaded, nullptr);
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
    if (m_pReady != nullptr && m_strReadyPath != path)
        m_device.Sdl().Mix_FreeMusic(std::exchange(m_pReady, nullptr));
    // Not prepared: the load still runs on the worker, and the caller waits.
    if (m_pReady == nullptr && HasSoundFont()) {
        StartWork(nullptr, path);
        FinishWork();
    }
    m_pPlaying = std::exchange(m_pReady, nullptr);
    // With no soundfont (and no other MIDI player) there is no tune.
    if (m_pPlaying == nullptr)
        return CSoundSystem::ERR_NO_MUSIC;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        g_pHookTarget = this;
    }
    m_device.Sdl().Mix_HookMusicFinished(&CTune::OnMusicFinished);
    if (m_device.Sdl().Mix_PlayMusic(m_pPlaying, 0) != 0) {
        Close();
        return CSoundSystem::ERR_PLAY;
    }
    return 0;
}

void CTune::Stop()
{
    if (m_pPlaying != nullptr)
        m_device.Sdl().Mix_HaltMusic();
}

void CTune::Close()
{
    if (m_pPlaying == nullptr)
        return;
    HaltQuietly();
    // The played copy cannot be rewound, and the next clear may be far: it
    // goes, and a new one is loaded when a clear is certain.
    StartWork(std::exchange(m_pPlaying, nullptr), {});
}

void CTune::Free(bool report)
{
    const SdlApi& sdl = m_device.Sdl();
    if (m_pPlaying != nullptr && report)
        sdl.Mix_HaltMusic();
    HaltQuietly();
    FinishWork();
    sdl.Mix_FreeMusic(std::exchange(m_pPlaying, nullptr));
    sdl.Mix_FreeMusic(std::exchange(m_pReady, nullptr));
}

void CTune::HaltQuietly()
{
    // Mix_HaltMusic reports the halt through the hook at once, on this
    // thread; a natural end on the audio thread waits for the hook's change.
    m_device.Sdl().Mix_HookMusicFinished(nullptr);
    m_device.Sdl().Mix_HaltMusic();
}

void CTune::SetFinishedCallback(std::function<void()> callback)
{
    std::lock_guard<std::mutex> lock(g_hookMutex);
    m_onFinished = std::move(callback);
}

void CTune::OnMusicFinished()
{
    std::lock_guard<std::mutex> lock(g_hookMutex);
    if (g_pHookTarget != nullptr && g_pHookTarget->m_onFinished)
        g_pHookTarget->m_onFinished();
}

// ---------------------------------------------------------------- the face

CSoundSystem::CSoundSystem(AssetLookup findSound, AssetLookup findMidi, std::string soundFont, SdlLoader loadSdl)
    : m_tune(m_device, findMidi, std::move(soundFont)),
      m_device(loadSdl, findSound, [this](bool lost) { m_tune.Free(lost); })
{
}

CSoundSystem::~CSoundSystem() = default;

std::string CSoundSystem::MusicFilePath()
{
    return userdirs::CacheDir() + "/" + MUSIC_FOLDER + "/" + MUSIC_FILE;
}

std::string CSoundSystem::DefaultSoundFont()
{
    for (const char* path : {"/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2"}) {
        if (FileExists(path))
            return path;
    }
    return {};
}

void CSoundSystem::PlayWave(int resourceId)
{
    // While the device is being closed or set up again, the sound is skipped.
    std::unique_lock<std::mutex> device(m_device.Mutex(), std::try_to_lock);
    if (device.owns_lock())
        m_device.PlayWave(resourceId);
}

std::string CSoundSystem::WriteMusicFile()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    return m_tune.Write();
}

void CSoundSystem::PrepareMusic()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    m_tune.Prepare();
}

int CSoundSystem::PlayMusic(const std::string& path)
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    return m_tune.Play(path);
}

void CSoundSystem::StopMusic()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    m_tune.Stop();
}

void CSoundSystem::CloseMusic()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    m_tune.Close();
}

void CSoundSystem::SetMusicFinishedCallback(std::function<void()> callback)
{
    m_tune.SetFinishedCallback(std::move(callback));
}

std::string CSoundSystem::GetAudioDriver() const
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    return m_device.Driver();
}
