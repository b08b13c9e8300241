// The removal sounds and the celebration tune, through SDL2_mixer.
//
// The application owns one CSoundSystem and lends it to the host services.
// A removal sound is a built-in WAVE played from memory on one fixed channel,
// so a new sound cuts off one still playing. The tune is the built-in MIDI
// file, written once per run into the user's cache folder and played once
// through FluidSynth; it can be stopped, and its end (natural or after a
// stop) is reported through a callback.
//
// Two owners share the work. CAudioDevice opens the device with the first
// sound (start-up stays fast), keeps the removal sounds made for it, and
// brings it back after a loss. CTune loads, plays and frees the tune.
// CSoundSystem is the face the callers see.
//
// FluidSynth reads the whole soundfont and builds a synthesiser for every
// loaded tune: a tenth of a second or more, and a quarter of the program's
// memory. So the tune is loaded in the background only when a clear is
// certain (PrepareMusic, before the last cards fall) and freed, again in the
// background, as soon as it has played: a player who never clears a deal
// never pays for it, and a loaded tune cannot be rewound anyway.
// Every failure is silent: with no sound card the dummy driver swallows the
// output, with no soundfont there is simply no tune.
//
// A sound server goes away and comes back (an update, a new device): SDL
// then stops the stream for good, and the game would stay silent. So a
// thread of the device waits for SDL's word that the device is lost, ends the
// tune, closes the device and tries to open it again, at first quickly and
// then every two seconds, until a server answers. A connection to a server
// that hangs can take half a minute: that wait is that thread's alone, and a
// sound or tune asked for meanwhile is silently skipped.
//
// The desktop's volume control lists the stream with the game's name and
// icon and as a game's sound, as its desktop entry names it; a player's own
// SDL_AUDIO_DEVICE_* or PULSE_PROP settings win over these.
//
// The finished callback runs on SDL's audio thread, on the device's
// reconnecting thread (a lost device ends the tune) or inside StopMusic: it
// must only hand the news on, never call back into this class or into the
// user interface.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
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

using AssetLookup = AssetBlob (*)(int resourceId);

// The audio device, the removal sounds made for it, and its reconnection.
//
// Locks, always taken in this order and never the other way round:
//   1. the device lock (Mutex()): held by whoever calls SDL about the device
//      or the tune: the user-interface thread (which only tries it for a
//      removal sound, so that a fall never waits) or the reconnecting thread,
//      which does not hold it while it tries a server;
//   2. the tune's hook lock (Sound.cpp): the finished report's target;
//   3. the flags lock (Link): the loss and the end, never held over a call
//      into SDL, since SDL's audio thread takes it to report a loss.
class CAudioDevice {
public:
    // going: called under the device lock just before the device closes, so
    // that whatever was made for it is freed first; lost tells a loss from
    // the end of this object.
    CAudioDevice(SdlLoader loadSdl, AssetLookup findSound, std::function<void(bool lost)> going);
    // Closes the device for good; a reconnecting thread that still waits for
    // a server is left behind and closes whatever it opens.
    ~CAudioDevice();
    CAudioDevice(const CAudioDevice&) = delete;
    CAudioDevice& operator=(const CAudioDevice&) = delete;

    std::mutex& Mutex() const;

    // The rest under the device lock.
    // Opens the device unless it is open; false when it cannot be had (or is lost).
    bool EnsureOpen();
    // The table of an open device.
    const SdlApi& Sdl() const { return *m_sdl; }
    void PlayWave(int resourceId);
    // The driver of the open device, empty when none is open.
    std::string Driver() const;

private:
    enum class State { Closed, Open, Lost, Failed };
    struct Link;

    // Opens the device through SDL's first working driver, or the one named.
    static bool Open(const SdlApi& sdl, const std::string& driver = {});
    // What every opening of the device needs, the first one and a reopening.
    void SetUp();
    // Frees everything made for the device and closes it.
    void TearDown(bool lost);
    void Reconnect(std::shared_ptr<Link> link);
    static int OnDeviceEvent(void* link, SDL_Event* event);

    SdlLoader m_loadSdl;
    AssetLookup m_findSound;
    std::function<void(bool lost)> m_going;
    const SdlApi* m_sdl = nullptr;  // set by the first opening
    // Shared with the reconnecting thread, which may outlive this object
    // while a hung server holds it; every member below that the thread
    // touches is guarded by the device lock.
    std::shared_ptr<Link> m_link;
    std::thread m_reconnect;
    State m_state = State::Closed;
    std::string m_strDriver;             // the open device's, or the lost one's
    std::map<int, Mix_Chunk*> m_chunks;  // null for a resource that is missing or broken
};

// The celebration tune: its file, its loading, playing and freeing. Every
// member function but the finished callback's setter runs under the device
// lock; the loads and frees run on a worker of this class's own.
class CTune {
public:
    CTune(CAudioDevice& device, AssetLookup findMidi, std::string soundFont);
    ~CTune();
    CTune(const CTune&) = delete;
    CTune& operator=(const CTune&) = delete;

    std::string Write();
    const std::string& Path() const { return m_strPath; }
    // Loads a fresh copy of the tune in the background, unless one is loaded or loading.
    void Prepare();
    int Play(const std::string& path);
    void Stop();
    // Ends the tune without a report and frees it in the background.
    void Close();
    // The device is going: the tune ends, with a report if it played, and
    // everything is freed at once.
    void Free(bool report);
    void SetFinishedCallback(std::function<void()> callback);

private:
    // False when the chosen soundfont has gone: no tune rather than a silent one.
    bool HasSoundFont() const;
    // Waits for the worker; what it loaded becomes the ready tune.
    void FinishWork();
    // On the worker: frees `played` (if any), then loads `load` (unless empty).
    void StartWork(_Mix_Music* played, const std::string& load);
    // Halts the tune without reporting it as finished.
    void HaltQuietly();
    static void OnMusicFinished();

    CAudioDevice& m_device;
    AssetLookup m_findMidi;
    std::string m_strSoundFont;
    std::string m_strPath;

    _Mix_Music* m_pPlaying = nullptr;  // the open tune: the analogue of an open MIDI device
    _Mix_Music* m_pReady = nullptr;    // loaded, never played
    std::string m_strReadyPath;
    std::thread m_worker;
    _Mix_Music* m_pLoaded = nullptr;  // written by the worker, read after its join
    std::string m_strLoadPath;
    std::function<void()> m_onFinished;  // guarded by the hook lock
};

class CSoundSystem {
public:
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
    const std::string& GetMusicPath() const { return m_tune.Path(); }

    // The tune will be wanted soon: loads it in the background (opening the
    // device if need be), so that PlayMusic starts it at once.
    void PrepareMusic();
    // Opens the tune and plays it once from its start (closing one still
    // open); without PrepareMusic first, it waits for the load. 0 when it
    // plays, otherwise an error code (no device, no music, play refused).
    int PlayMusic(const std::string& path);
    // Stops the tune; the finished callback follows and the caller then closes.
    void StopMusic();
    // Closes the tune, stopping it first if it still plays, without a
    // finished callback of its own, and lets the synthesiser go.
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
    // The device goes first: its end frees the tune.
    CTune m_tune;
    CAudioDevice m_device;
};
