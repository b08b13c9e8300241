#include "AudioDevice.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>

#include "SdlApi.h"
#include "res/Strings.h"
#include "res/resource.h"

namespace {

constexpr int MIX_CHUNK_FRAMES = 1024;  // about 23 ms: a removal sounds with its click

// After a lost device, the first try to open it again comes soon (a server
// restarting is back within a second), the later ones less often.
constexpr auto FIRST_RETRY = std::chrono::milliseconds(250);
constexpr auto LAST_RETRY = std::chrono::milliseconds(2000);

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

CAudioDevice::CAudioDevice(SdlLoader loadSdl, AssetLookup findSound, std::function<void(bool lost)> going)
    : m_loadSdl(loadSdl), m_findSound(findSound), m_going(std::move(going)), m_link(std::make_shared<Link>())
{
}

CAudioDevice::~CAudioDevice()
{
    if (m_loader.joinable())
        m_loader.join();
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

void CAudioDevice::Prepare()
{
    // Mapping SDL2_mixer and the thirty-odd libraries it pulls in takes tens
    // of milliseconds, far more on a busy machine: the press that selects a
    // card leaves time for it before the press that removes one.
    if (m_state == State::Closed && !m_loader.joinable())
        m_loader = std::thread(m_loadSdl);
}

bool CAudioDevice::EnsureOpen()
{
    if (m_state != State::Closed)
        return m_state == State::Open;
    if (m_loader.joinable())
        m_loader.join();
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
