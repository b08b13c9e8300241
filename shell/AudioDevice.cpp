#include "AudioDevice.h"

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "SdlApi.h"
#include "res/Strings.h"
#include "res/resource.h"

namespace {

constexpr int SAMPLE_RATE = 44100;
constexpr int BUFFER_FRAMES = 1024;  // about 23 ms: a removal sounds with its click

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

}  // namespace

// SDL2 and the libraries it pulls in are loaded with the first sound, not at
// start-up: mapping and relocating them and running their initialisers took
// a good share of the time before the window appeared, for a player who may
// never hear a sound. A missing library (or one without a function) leaves
// the program silent, like a machine without a sound card. FluidSynth comes
// only with a tune (Tune.cpp): the removal sounds need nothing but SDL.
const SdlApi* LoadSdl()
{
    static const std::optional<SdlApi> loaded = []() -> std::optional<SdlApi> {
        void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
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
    // What the callback mixes: set under both the device lock and SDL's
    // lock of the open device, read under either.
    const SdlApi* sdl = nullptr;
    const std::uint8_t* wave = nullptr;  // the rest of the removal sound
    std::size_t waveLeft = 0;
    std::unique_ptr<CAudioSource> source;
};

namespace {

// SDL's lock of an open device: the callback is not running while it is held.
class AudioLock {
public:
    AudioLock(const SdlApi& sdl, SDL_AudioDeviceID device) : m_sdl(sdl), m_device(device)
    {
        m_sdl.SDL_LockAudioDevice(m_device);
    }
    ~AudioLock() { m_sdl.SDL_UnlockAudioDevice(m_device); }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;

private:
    const SdlApi& m_sdl;
    SDL_AudioDeviceID m_device;
};

}  // namespace

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
    // SDL's own bookkeeping (hints and the like) goes only with a full quit.
    if (m_sdl->SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        m_sdl->SDL_Quit();
}

std::mutex& CAudioDevice::Mutex() const
{
    return m_link->device;
}

CAudioDevice::Opened CAudioDevice::Open(const SdlApi& sdl, Link& link, const std::string& driver)
{
    if (!driver.empty())
        sdl.SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver.c_str(), SDL_HINT_OVERRIDE);
    Opened opened;
    if (sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        // The callback mixes 16-bit stereo; SDL converts it for a device that
        // wants another format. A rate of the device's own spares it a
        // resampling: the sounds and the synthesiser are made for that rate.
        SDL_AudioSpec wanted{};
        wanted.freq = SAMPLE_RATE;
        wanted.format = AUDIO_S16SYS;
        wanted.channels = 2;
        wanted.samples = BUFFER_FRAMES;
        wanted.callback = &CAudioDevice::OnAudio;
        wanted.userdata = &link;
        SDL_AudioSpec got{};
        opened.id = sdl.SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        opened.rate = got.freq;
        if (opened.id == 0)
            sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    // The driver is chosen; the next opening should be free to choose again.
    if (!driver.empty())
        sdl.SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    return opened;
}

void CAudioDevice::Prepare()
{
    // Mapping SDL2 and the libraries it pulls in takes tens of
    // milliseconds, far more on a busy machine: the press that selects a
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
    Opened opened = Open(*m_sdl, *m_link);
    if (opened.id == 0)
        opened = Open(*m_sdl, *m_link, "dummy");
    if (opened.id == 0) {
        m_state = State::Failed;
        return false;
    }
    SetUp(opened);
    m_reconnect = std::thread(&CAudioDevice::Reconnect, this, m_link);
    return true;
}

void CAudioDevice::SetUp(Opened opened)
{
    m_state = State::Open;
    m_nDevice = opened.id;
    m_nRate = opened.rate;
    m_strDriver = m_sdl->SDL_GetCurrentAudioDriver();
    m_link->sdl = m_sdl;
    m_sdl->SDL_AddEventWatch(&CAudioDevice::OnDeviceEvent, m_link.get());
    m_sdl->SDL_PauseAudioDevice(m_nDevice, 0);
}

void CAudioDevice::TearDown(bool lost)
{
    // Waits for a report under way on SDL's audio thread.
    m_sdl->SDL_DelEventWatch(&CAudioDevice::OnDeviceEvent, m_link.get());
    m_going(lost);
    // Waits for the callback to finish and stops it for good.
    m_sdl->SDL_CloseAudioDevice(m_nDevice);
    m_link->wave = nullptr;
    m_link->waveLeft = 0;
    // Sounds are made for the device's rate; a new device may have another,
    // and they are made again for it on demand.
    m_waves.clear();
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
            const Opened opened = Open(sdl, *link, driver);
            std::lock_guard<std::mutex> device(link->device);
            link->connecting = false;
            if (link->closing) {
                // This object may be gone: close what was opened (still
                // paused, so its callback never ran), and only that.
                if (opened.id != 0) {
                    sdl.SDL_CloseAudioDevice(opened.id);
                    sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
                }
                return;
            }
            if (opened.id != 0) {
                SetUp(opened);
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

std::vector<std::uint8_t> CAudioDevice::MakeWave(int resourceId) const
{
    const AssetBlob blob = m_findSound != nullptr ? m_findSound(resourceId) : AssetBlob{};
    SDL_RWops* rw = blob ? m_sdl->SDL_RWFromConstMem(blob.data, static_cast<int>(blob.size)) : nullptr;
    SDL_AudioSpec format{};
    Uint8* samples = nullptr;
    Uint32 size = 0;
    if (rw == nullptr || m_sdl->SDL_LoadWAV_RW(rw, 1, &format, &samples, &size) == nullptr)  // frees rw
        return {};
    std::vector<std::uint8_t> wave(samples, samples + size);
    m_sdl->SDL_FreeWAV(samples);
    // Converted once, here, so that the callback only copies.
    SDL_AudioCVT cvt{};
    const int built =
        m_sdl->SDL_BuildAudioCVT(&cvt, format.format, format.channels, format.freq, AUDIO_S16SYS, 2, m_nRate);
    if (built < 0)
        return {};
    if (built > 0) {
        wave.resize(wave.size() * static_cast<std::size_t>(cvt.len_mult));
        cvt.buf = wave.data();
        cvt.len = static_cast<int>(size);
        if (m_sdl->SDL_ConvertAudio(&cvt) != 0)
            return {};
        wave.resize(static_cast<std::size_t>(cvt.len_cvt));
    }
    return wave;
}

void CAudioDevice::PlayWave(int resourceId)
{
    if (!EnsureOpen())
        return;
    auto [it, fresh] = m_waves.try_emplace(resourceId);
    // A missing or broken sound is remembered as such and never retried.
    if (fresh)
        it->second = MakeWave(resourceId);
    if (it->second.empty())
        return;
    // One voice for both removal sounds, so the second of a pair cuts off
    // the first as the game's first host did.
    AudioLock lock(*m_sdl, m_nDevice);
    m_link->wave = it->second.data();
    m_link->waveLeft = it->second.size();
}

std::unique_ptr<CAudioSource> CAudioDevice::SetSource(std::unique_ptr<CAudioSource> source)
{
    if (m_state != State::Open)
        return std::exchange(m_link->source, std::move(source));
    AudioLock lock(*m_sdl, m_nDevice);
    return std::exchange(m_link->source, std::move(source));
}

void CAudioDevice::EndSource()
{
    if (m_link->source == nullptr)
        return;
    AudioLock lock(*m_sdl, m_nDevice);
    m_link->source->End();
}

void CAudioDevice::OnAudio(void* data, std::uint8_t* stream, int bytes)
{
    auto* link = static_cast<Link*>(data);
    std::memset(stream, 0, static_cast<std::size_t>(bytes));  // silence, in signed samples
    const std::size_t wave = std::min(link->waveLeft, static_cast<std::size_t>(bytes));
    if (wave > 0) {
        link->sdl->SDL_MixAudioFormat(stream, link->wave, AUDIO_S16SYS, static_cast<Uint32>(wave),
                                      SDL_MIX_MAXVOLUME);
        link->wave += wave;
        link->waveLeft -= wave;
    }
    if (link->source != nullptr)
        link->source->MixInto(*link->sdl, stream, bytes);
}
