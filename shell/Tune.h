// The celebration tune: its file, its loading, playing and freeing.
//
// FluidSynth reads the whole soundfont and builds a synthesiser for every
// loaded tune: a tenth of a second or more, and a quarter of the program's
// memory. So the tune is loaded in the background only when a clear is
// certain (Prepare, before the last cards fall) and freed, again in the
// background, as soon as it has played: a player who never clears a deal
// never pays for it, and a loaded tune cannot be rewound anyway.
#pragma once

#include <functional>
#include <string>
#include <thread>

#include "AudioDevice.h"

struct _Mix_Music;

// Every member function but the finished callback's setter runs under the
// device lock; the loads and frees run on a worker of this class's own.
class CTune {
public:
    CTune(CAudioDevice& device, AssetLookup findMidi, std::string soundFont);
    ~CTune();
    CTune(const CTune&) = delete;
    CTune& operator=(const CTune&) = delete;

    // Writes the tune resource to the music file, unless it holds it already.
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
