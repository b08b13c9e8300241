#include "Sound.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>

#include <SDL.h>
#include <SDL_mixer.h>

#include "UserFiles.h"
#include "res/resource.h"

namespace {

// One fixed channel for both removal sounds, so the second of a pair cuts
// off the first as the game's first host did.
constexpr int WAVE_CHANNEL = 0;
constexpr int MIX_RATE = 44100;
constexpr int MIX_CHUNK_FRAMES = 1024;  // about 23 ms: a removal sounds with its click

constexpr const char* MUSIC_FOLDER = "tolvane32";
constexpr const char* MUSIC_FILE = "Tolvane32.mid";

// SDL_mixer's finished hook is a plain function without a user pointer: it
// reaches the one open sound system through this, under the mutex, so the
// system cannot be destroyed in the middle of a report.
std::mutex g_hookMutex;
CSoundSystem* g_pHookTarget = nullptr;

bool FileExists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// SDL2_mixer and the libraries it pulls in (FluidSynth, JACK, PulseAudio,
// libsndfile and more: a quarter of all the libraries of the program) are
// loaded with the first sound, not at start-up: mapping and relocating them
// and running their initialisers took a good share of the time before the
// window appeared, for a player who may never hear a sound. Every call goes
// through this table, filled once by the first EnsureAudio.
#define TOLVANE_SDL_FUNCTIONS(X)                                                                          \
    X(SDL_InitSubSystem) X(SDL_QuitSubSystem) X(SDL_WasInit) X(SDL_Quit) X(SDL_SetHint)                   \
    X(SDL_SetHintWithPriority) X(SDL_ResetHint) X(SDL_GetCurrentAudioDriver) X(SDL_RWFromConstMem)        \
    X(SDL_TLSCleanup) X(Mix_OpenAudio) X(Mix_CloseAudio) X(Mix_Quit) X(Mix_Init) X(Mix_SetSoundFonts)     \
    X(Mix_ReserveChannels) X(Mix_HookMusicFinished) X(Mix_HaltChannel) X(Mix_FreeMusic) X(Mix_FreeChunk) \
    X(Mix_LoadWAV_RW) X(Mix_PlayChannel) X(Mix_LoadMUS) X(Mix_PlayMusic) X(Mix_HaltMusic) X(Mix_PlayingMusic)

struct SdlApi {
#define TOLVANE_SDL_POINTER(name) decltype(&::name) name = nullptr;
    TOLVANE_SDL_FUNCTIONS(TOLVANE_SDL_POINTER)
#undef TOLVANE_SDL_POINTER
};

SdlApi g_sdl;

// True once every function is at hand; a missing library (or one without a
// function) leaves the program silent, like a machine without a sound card.
bool LoadSdl()
{
    static const bool loaded = [] {
        // Its own dependencies (SDL2 itself) come with it; lookups through
        // the handle search them too.
        void* lib = dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (lib == nullptr)
            return false;
        SdlApi api;
#define TOLVANE_SDL_RESOLVE(name)                                                  \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(lib, #name));            \
    if (api.name == nullptr)                                                       \
        return false;
        TOLVANE_SDL_FUNCTIONS(TOLVANE_SDL_RESOLVE)
#undef TOLVANE_SDL_RESOLVE
        g_sdl = api;
        return true;
    }();
    return loaded;
}

// Only reached with the audio open, that is after LoadSdl succeeded.
const SdlApi& Sdl()
{
    return g_sdl;
}

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// With no sound card, libasound reports every probe on standard error
// itself, past SDL. The game never speaks to the player that way.
void SilenceAlsa()
{
    using SetHandler = int (*)(decltype(&IgnoreAlsaError));
    static const bool done = [] {
        // Kept loaded for good: SDL loads the same library and uses the handler.
        void* lib = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (lib == nullptr)
            return true;
        if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "snd_lib_error_set_handler")))
            set(&IgnoreAlsaError);
        return true;
    }();
    (void)done;
}

void IgnoreFluidSynthMessage(int, const char*, void*) {}

// FluidSynth prints its errors and warnings (a missing soundfont, a preset
// the tune asks for) on standard error; the game has no one to tell.
void SilenceFluidSynth()
{
    using LogFunction = decltype(&IgnoreFluidSynthMessage);
    using SetLogFunction = LogFunction (*)(int, LogFunction, void*);
    static const bool done = [] {
        // Linked in through SDL_mixer when it uses FluidSynth at all.
        void* set = dlsym(RTLD_DEFAULT, "fluid_set_log_function");
        if (set == nullptr) {
            if (void* lib = dlopen("libfluidsynth.so.3", RTLD_LAZY | RTLD_NOLOAD))
                set = dlsym(lib, "fluid_set_log_function");
        }
        if (set != nullptr) {
            for (int level = 0; level <= 4; ++level)  // FLUID_PANIC to FLUID_DBG
                reinterpret_cast<SetLogFunction>(set)(level, &IgnoreFluidSynthMessage, nullptr);
        }
        return true;
    }();
    (void)done;
}

}  // namespace

CSoundSystem::CSoundSystem(AssetLookup findSound, AssetLookup findMidi, std::string soundFont)
    : m_findSound(findSound), m_findMidi(findMidi), m_strSoundFont(std::move(soundFont))
{
}

CSoundSystem::~CSoundSystem()
{
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        if (g_pHookTarget == this)
            g_pHookTarget = nullptr;
    }
    m_bClosing = true;
    FinishPreload();
    if (m_audio != AudioState::Open)
        return;
    CloseMusic();  // frees the played tune at once: m_bClosing is set
    FinishPreload();
    Sdl().Mix_HaltChannel(-1);
    Sdl().Mix_HookMusicFinished(nullptr);
    if (m_pReady != nullptr)
        Sdl().Mix_FreeMusic(m_pReady);
    for (auto& [id, chunk] : m_chunks) {
        if (chunk != nullptr)
            Sdl().Mix_FreeChunk(chunk);
    }
    Sdl().Mix_CloseAudio();
    Sdl().Mix_Quit();
    Sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // SDL's own bookkeeping (hints and the like) goes only with a full quit.
    if (Sdl().SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        Sdl().SDL_Quit();
}

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

bool CSoundSystem::OpenDevice()
{
    if (Sdl().SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    if (Sdl().Mix_OpenAudio(MIX_RATE, AUDIO_S16SYS, 2, MIX_CHUNK_FRAMES) == 0)
        return true;
    Sdl().SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
}

bool CSoundSystem::EnsureAudio()
{
    if (m_audio != AudioState::Closed)
        return m_audio == AudioState::Open;
    if (!LoadSdl()) {
        m_audio = AudioState::Failed;
        return false;
    }
    SilenceAlsa();
    // Only the audio part of SDL runs here; the window toolkit owns the signals.
    Sdl().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    bool open = OpenDevice();
    if (!open) {
        // No usable device (a machine without a sound card picks ALSA and
        // fails): the dummy driver keeps the game's timing and stays silent.
        Sdl().SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        open = OpenDevice();
        // The driver is chosen; a later start-up should try the real ones again.
        Sdl().SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    }
    if (!open) {
        m_audio = AudioState::Failed;
        return false;
    }
    m_audio = AudioState::Open;
    Sdl().Mix_Init(MIX_INIT_MID);
    SilenceFluidSynth();
    if (!m_strSoundFont.empty())
        Sdl().Mix_SetSoundFonts(m_strSoundFont.c_str());
    Sdl().Mix_ReserveChannels(WAVE_CHANNEL + 1);
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        g_pHookTarget = this;
    }
    Sdl().Mix_HookMusicFinished(&CSoundSystem::OnMusicFinished);
    StartPreload(m_strMusicPath, nullptr);
    return true;
}

std::string CSoundSystem::GetAudioDriver() const
{
    if (m_audio != AudioState::Open)
        return {};
    const char* name = Sdl().SDL_GetCurrentAudioDriver();
    return name != nullptr ? name : "";
}

Mix_Chunk* CSoundSystem::FindChunk(int resourceId)
{
    if (const auto it = m_chunks.find(resourceId); it != m_chunks.end())
        return it->second;
    Mix_Chunk* chunk = nullptr;
    if (const AssetBlob blob = m_findSound != nullptr ? m_findSound(resourceId) : AssetBlob{}) {
        if (SDL_RWops* rw = Sdl().SDL_RWFromConstMem(blob.data, static_cast<int>(blob.size)))
            chunk = Sdl().Mix_LoadWAV_RW(rw, 1);
    }
    // A missing or broken sound is remembered as such and never retried.
    m_chunks[resourceId] = chunk;
    return chunk;
}

void CSoundSystem::PlayWave(int resourceId)
{
    if (!EnsureAudio())
        return;
    if (Mix_Chunk* chunk = FindChunk(resourceId))
        Sdl().Mix_PlayChannel(WAVE_CHANNEL, chunk, 0);
}

std::string CSoundSystem::WriteMusicFile()
{
    m_strMusicPath = MusicFilePath();
    const AssetBlob blob = m_findMidi != nullptr ? m_findMidi(IDR_MIDI_TUNE) : AssetBlob{};
    if (!blob)
        return m_strMusicPath;
    const std::string_view bytes(reinterpret_cast<const char*>(blob.data), blob.size);
    // The same tune from an earlier run stays as it is: no disk write and no
    // sync at every start.
    std::ifstream old(m_strMusicPath, std::ios::binary);
    const std::string oldBytes{std::istreambuf_iterator<char>(old), std::istreambuf_iterator<char>()};
    if (!old || oldBytes != bytes)
        userdirs::ReplaceFile(m_strMusicPath, bytes);
    if (m_audio == AudioState::Open)
        StartPreload(m_strMusicPath, nullptr);
    return m_strMusicPath;
}

void CSoundSystem::StartPreload(const std::string& path, _Mix_Music* played)
{
    if (m_bClosing) {
        if (played != nullptr)
            Sdl().Mix_FreeMusic(played);
        return;
    }
    FinishPreload();
    const bool load = !path.empty() && m_pReady == nullptr && HasSoundFont();
    if (!load && played == nullptr)
        return;
    // Off the user-interface thread: dropping a synthesizer and reading a
    // soundfont both take long enough to stall a click.
    m_strPreloadPath = path;
    m_preload = std::thread([this, played, load] {
        if (played != nullptr)
            Sdl().Mix_FreeMusic(played);
        if (load)
            m_pPreloaded = Sdl().Mix_LoadMUS(m_strPreloadPath.c_str());
        // SDL keeps its error text per thread; a thread it did not start must
        // hand that back itself.
        Sdl().SDL_TLSCleanup();
    });
}

void CSoundSystem::FinishPreload()
{
    if (!m_preload.joinable())
        return;
    m_preload.join();
    if (m_pPreloaded == nullptr)
        return;
    if (m_pReady == nullptr) {
        m_pReady = m_pPreloaded;
        m_strReadyPath = m_strPreloadPath;
    } else {
        Sdl().Mix_FreeMusic(m_pPreloaded);
    }
    m_pPreloaded = nullptr;
}

bool CSoundSystem::HasSoundFont() const
{
    // FluidSynth would load the tune without its font and play it silently.
    return m_strSoundFont.empty() || FileExists(m_strSoundFont);
}

_Mix_Music* CSoundSystem::TakeFreshMusic(const std::string& path)
{
    FinishPreload();
    Mix_Music* music = nullptr;
    if (m_pReady != nullptr && m_strReadyPath == path)
        music = m_pReady;
    else if (m_pReady != nullptr)
        Sdl().Mix_FreeMusic(m_pReady);
    m_pReady = nullptr;
    m_strReadyPath.clear();
    if (music != nullptr || !HasSoundFont())
        return music;
    // With no soundfont (and no other MIDI player) this fails: no tune.
    return Sdl().Mix_LoadMUS(path.c_str());
}

int CSoundSystem::PlayMusic(const std::string& path)
{
    if (!EnsureAudio())
        return ERR_NO_DEVICE;
    // A tune still open from the last clear gives way to the new one.
    CloseMusic();
    Mix_Music* music = TakeFreshMusic(path);
    if (music == nullptr)
        return ERR_NO_MUSIC;
    m_pPlaying = music;
    m_strPlayingPath = path;
    m_bMusicOpen = true;
    if (Sdl().Mix_PlayMusic(music, 0) != 0) {
        CloseMusic();
        return ERR_PLAY;
    }
    return 0;
}

void CSoundSystem::StopMusic()
{
    if (m_bMusicOpen)
        Sdl().Mix_HaltMusic();
}

void CSoundSystem::CloseMusic()
{
    if (!m_bMusicOpen)
        return;
    HaltQuietly();
    Mix_Music* played = m_pPlaying;
    m_pPlaying = nullptr;
    m_bMusicOpen = false;
    // The played copy cannot be rewound: the next clear gets a new one.
    StartPreload(m_strPlayingPath, played);
}

bool CSoundSystem::IsMusicPlaying() const
{
    return m_audio == AudioState::Open && Sdl().Mix_PlayingMusic() != 0;
}

void CSoundSystem::HaltQuietly()
{
    // Mix_HaltMusic reports the halt through the hook at once, on this thread.
    m_bQuietHalt = true;
    Sdl().Mix_HaltMusic();
    m_bQuietHalt = false;
}

void CSoundSystem::SetMusicFinishedCallback(std::function<void()> callback)
{
    std::lock_guard<std::mutex> lock(g_hookMutex);
    m_onFinished = std::move(callback);
}

void CSoundSystem::OnMusicFinished()
{
    std::lock_guard<std::mutex> lock(g_hookMutex);
    if (g_pHookTarget != nullptr && !g_pHookTarget->m_bQuietHalt && g_pHookTarget->m_onFinished)
        g_pHookTarget->m_onFinished();
}
