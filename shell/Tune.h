// The celebration tune: its file, its loading, playing and freeing.
//
// FluidSynth (with some thirty libraries of its own) reads the whole
// soundfont and builds a synthesiser for every loaded tune: a tenth of a
// second or more, and a good share of the program's memory. So the library
// is loaded and the tune prepared in the background only when a clear is
// certain (Prepare, before the last cards fall), the device's callback plays
// it, and once it has played everything goes again, the library included,
// in the background: a player who never clears a deal never pays for it,
// and a played tune cannot be rewound anyway.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "AudioDevice.h"

struct SynthApi;

// FluidSynth's functions for one tune (SynthApi.h), or null when the library
// cannot be had, and their unloading when that tune goes.
struct SynthLibrary {
    const SynthApi* (*load)();
    void (*unload)(const SynthApi* api);
};
// The program's: libfluidsynth, loaded and unloaded.
SynthLibrary FluidSynthLibrary();

// Every member function but the finished callback's setter runs under the
// device lock; the loads and frees run on a worker of this class's own.
class CTune {
public:
    // An empty soundfont path: no tune.
    CTune(CAudioDevice& device, AssetLookup findMidi, std::string soundFont, SynthLibrary synth);
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
    class Song;
    // Where a tune that ends reports it, from any thread.
    struct Hook {
        std::mutex mutex;  // the hook lock of AudioDevice.h's lock order
        std::function<void()> onFinished;
        void Report();
    };

    // False when the chosen soundfont has gone: no tune rather than a silent one.
    bool HasSoundFont() const;
    // Waits for the worker; what it loaded becomes the ready tune.
    void FinishWork();
    // On the worker: frees `played` (if any), then loads `load` (unless empty).
    void StartWork(std::unique_ptr<CAudioSource> played, const std::string& load);

    CAudioDevice& m_device;
    AssetLookup m_findMidi;
    std::string m_strSoundFont;
    SynthLibrary m_synth;
    std::string m_strPath;
    Hook m_hook;

    std::unique_ptr<Song> m_pReady;  // loaded, never played; the playing one is the device's source
    std::string m_strReadyPath;
    std::thread m_worker;
    std::unique_ptr<Song> m_pLoaded;  // written by the worker, read after its join
    std::string m_strLoadPath;
    int m_nLoadRate = 0;
};
