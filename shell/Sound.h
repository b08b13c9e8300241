// The removal sounds and the celebration tune, through SDL2 and FluidSynth.
//
// The application owns one CSoundSystem and lends it to the host services.
// A removal sound is a built-in WAVE played from memory in one voice, so a
// new sound cuts off one still playing. The tune is the built-in MIDI file,
// written once per run into the user's cache folder and played once through
// FluidSynth into the same device; it can be stopped, and its end (natural
// or after a stop) is reported through a callback.
//
// Two owners share the work, and this class is the face the callers see:
// CAudioDevice opens the device with the first sound, keeps the removal
// sounds made for it, mixes them and brings the device back after a loss;
// CTune loads FluidSynth and the tune when a clear is certain, hands the
// tune to the device and lets it all go once it has played.
// Every failure is silent: with no sound card the dummy driver swallows the
// output, with no soundfont there is simply no tune.
//
// The finished callback runs on SDL's audio thread, on the device's
// reconnecting thread (a lost device ends the tune) or inside StopMusic: it
// must only hand the news on, never call back into this class or into the
// user interface.
#pragma once

#include <functional>
#include <string>

#include "AudioDevice.h"
#include "Tune.h"
#include "res/Assets.h"

class CSoundSystem {
public:
    // The program's own sounds and tune.
    CSoundSystem() : CSoundSystem(&FindSound, &FindMidi) {}
    // Sounds, tune, soundfont and libraries from elsewhere (the tests' own);
    // with an empty soundfont path there is no tune.
    CSoundSystem(AssetLookup findSound, AssetLookup findMidi, std::string soundFont = DefaultSoundFont(),
                 SdlLoader loadSdl = &LoadSdl, SynthLibrary synth = FluidSynthLibrary());
    ~CSoundSystem();
    CSoundSystem(const CSoundSystem&) = delete;
    CSoundSystem& operator=(const CSoundSystem&) = delete;

    // A card may fall soon: loads the sound library in the background, so
    // that the first sound does not wait for it.
    void PrepareSounds();
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
    // finished callback of its own, and lets the synthesiser and its library go.
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
