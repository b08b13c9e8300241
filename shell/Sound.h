// The removal sounds and the celebration tune, through SDL2_mixer.
//
// The view owns one CSoundSystem. A removal sound is a built-in WAVE played
// from memory on one fixed channel, so a new sound cuts off one still playing.
// The tune is the built-in MIDI file, written once per run into the user's
// cache folder and played once through FluidSynth; it can be stopped, and its
// end (natural or after a stop) is reported through a callback.
//
// Nothing here touches the audio device until the first sound is played, so
// start-up stays fast. FluidSynth reads the whole soundfont for every loaded
// tune (a tenth of a second or more), and a loaded tune cannot be rewound: so
// a fresh copy of the tune is loaded in the background when the device opens
// and again after each play, and the tune starts at once after a clear, from
// its beginning and with no notes left hanging from the last one.
// Every failure is silent: with no sound card the dummy driver swallows the
// output, with no soundfont there is simply no tune.
//
// A sound server goes away and comes back (an update, a new device): SDL
// then stops the stream for good, and the game would stay silent. So a
// thread of this class waits for SDL's word that the device is lost, closes
// it as soon as no tune is open, and tries to open it again, at first quickly
// and then every two seconds, until a server answers. A connection to a
// server that hangs can take half a minute: that wait is that thread's alone,
// and a sound or tune asked for meanwhile is silently skipped.
//
// The desktop's volume control lists the stream with the game's name and
// icon and as a game's sound, as its desktop entry names it; a player's own
// SDL_AUDIO_DEVICE_* or PULSE_PROP settings win over these.
//
// The finished callback runs on SDL's audio thread (or inside StopMusic and
// CloseMusic's caller): it must only hand the news on, never call back into
// this class or into the user interface.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "res/Assets.h"

struct Mix_Chunk;
struct _Mix_Music;
union SDL_Event;
struct SdlApi;

// The SDL functions the sound system calls (SdlApi.h), or null when the
// library cannot be had; the table lives as long as the process.
using SdlLoader = const SdlApi* (*)();
// The program's: SDL2_mixer, opened with the first sound.
const SdlApi* LoadSdl();

class CSoundSystem {
public:
    using AssetLookup = AssetBlob (*)(int resourceId);

    // The program's own sounds and tune.
    CSoundSystem() : CSoundSystem(&FindSound, &FindMidi) {}
    // Sounds, tune, soundfont and library from elsewhere (the tests' own); an
    // empty soundfont path leaves SDL_mixer's own choice.
    CSoundSystem(AssetLookup findSound, AssetLookup findMidi, std::string soundFont = DefaultSoundFont(),
                 SdlLoader loadSdl = &LoadSdl);
    ~CSoundSystem();
    CSoundSystem(const CSoundSystem&) = delete;
    CSoundSystem& operator=(const CSoundSystem&) = delete;

    // Plays wave resource 300 (a card) or 301 (a joker) and returns at once;
    // a missing resource plays nothing.
    void PlayWave(int resourceId);

    // Writes the tune resource to Tolvane32.mid in the cache folder (unless
    // the file there already holds it) and returns that path, which is kept
    // for the background load. A failed write is silent.
    std::string WriteMusicFile();
    const std::string& GetMusicPath() const { return m_strMusicPath; }

    // Opens the tune and plays it once from its start (closing one still
    // open). 0 when it plays, otherwise an error code (no device, no music,
    // play refused).
    int PlayMusic(const std::string& path);
    // Stops the tune; the finished callback follows and the caller then closes.
    void StopMusic();
    // Closes the tune, stopping it first if it still plays, without a
    // finished callback of its own.
    void CloseMusic();

    // Called when the tune ends or is stopped; see the note above on threads.
    void SetMusicFinishedCallback(std::function<void()> callback);

    // The audio driver in use after the first sound ("dummy" when no device
    // could be opened), or empty while closed, lost or when all drivers failed.
    std::string GetAudioDriver() const;

    // Tolvane32.mid in $XDG_CACHE_HOME/tolvane32 (or ~/.cache/tolvane32).
    static std::string MusicFilePath();
    // The system's General MIDI soundfont, or empty when none is installed.
    static std::string DefaultSoundFont();

    // Error codes of PlayMusic.
    static constexpr int ERR_NO_DEVICE = 1;
    static constexpr int ERR_NO_MUSIC = 2;
    static constexpr int ERR_PLAY = 3;

private:
    // Lost: closed after SDL reported it gone, and being opened again.
    enum class AudioState { Closed, Open, Lost, Failed };
    struct Link;

    bool EnsureAudio();
    // Opens the device through SDL's first working driver, or the one named.
    static bool OpenDevice(const SdlApi& sdl, const std::string& driver = {});
    // What every opening of the device needs, the first one and a reopening.
    void SetUpDevice();
    // Frees everything made for the device and closes it.
    void TearDownDevice();
    // The reconnecting thread; see the note above.
    void Reconnect(std::shared_ptr<Link> link);
    // Closes the tune; the caller holds the link's device lock.
    void CloseTune();
    void SetTuneOpen(bool open);
    Mix_Chunk* FindChunk(int resourceId);
    // An unplayed copy of the tune of the path: the one loaded in the
    // background, or one loaded now. Null when the tune cannot be loaded.
    _Mix_Music* TakeFreshMusic(const std::string& path);
    // Frees the played tune (if any) and loads a fresh copy of the path, in the background.
    void StartPreload(const std::string& path, _Mix_Music* played);
    void FinishPreload();
    // False when the chosen soundfont has gone: no tune rather than a silent one.
    bool HasSoundFont() const;
    // Halts the tune without reporting it as finished.
    void HaltQuietly();
    static void OnMusicFinished();
    // Runs on SDL's audio thread when a device goes.
    static int OnDeviceEvent(void* link, SDL_Event* event);

    AssetLookup m_findSound;
    AssetLookup m_findMidi;
    std::string m_strSoundFont;
    SdlLoader m_loadSdl;
    const SdlApi* m_sdl = nullptr;  // set by the first sound
    std::string m_strMusicPath;

    // Shared with the reconnecting thread, which may outlive this object
    // while a hung server holds it; every member below that the thread
    // touches is guarded by the link's device lock.
    std::shared_ptr<Link> m_link;
    std::thread m_reconnect;

    AudioState m_audio = AudioState::Closed;
    std::string m_strDriver;  // the open device's, or the lost one's
    std::map<int, Mix_Chunk*> m_chunks;  // null for a resource that is missing or broken

    _Mix_Music* m_pPlaying = nullptr;  // the open tune: the analogue of an open MIDI device
    std::string m_strPlayingPath;
    _Mix_Music* m_pReady = nullptr;  // loaded, never played: the next clear's tune
    std::string m_strReadyPath;
    std::thread m_preload;
    _Mix_Music* m_pPreloaded = nullptr;  // written by the preload thread, read after join
    std::string m_strPreloadPath;

    bool m_bMusicOpen = false;
    bool m_bClosing = false;  // set by the destructor: no more background loads
    std::atomic<bool> m_bQuietHalt{false};
    std::function<void()> m_onFinished;  // guarded by the hook mutex in Sound.cpp
};
