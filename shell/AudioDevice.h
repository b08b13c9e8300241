// The audio device, the removal sounds made for it, and its reconnection.
//
// The device opens with the first sound, not at start-up. Its callback mixes
// one removal sound (a new one cuts off one still playing) with whatever
// source it was handed: the tune. A sound server goes away and comes back
// (an update, a new device): SDL then stops the stream for good, and the game
// would stay silent. So a thread of this class waits for SDL's word that the
// device is lost, has the tune ended, closes the device and tries to open it
// again, at first quickly and then every two seconds, until a server answers.
// A connection to a server that hangs can take half a minute: that wait is
// that thread's alone, and a sound or tune asked for meanwhile is silently
// skipped.
//
// The desktop's volume control lists the stream with the game's name and
// icon and as a game's sound, as its desktop entry names it; a player's own
// SDL_AUDIO_DEVICE_* or PULSE_PROP settings win over these.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "res/Assets.h"

union SDL_Event;
struct SdlApi;

// The SDL functions the sound system calls (SdlApi.h), or null when the
// library cannot be had; the table lives as long as the process.
using SdlLoader = const SdlApi* (*)();
// The program's: SDL2, opened with the first sound.
const SdlApi* LoadSdl();

using AssetLookup = AssetBlob (*)(int resourceId);

// What the device mixes in after the removal sound. Its calls come with
// SDL's lock of the device held (see the lock order below).
class CAudioSource {
public:
    virtual ~CAudioSource() = default;
    // Adds itself to `bytes` of the device's signed 16-bit stereo, saturating.
    virtual void MixInto(const SdlApi& sdl, std::uint8_t* stream, int bytes) = 0;
    // Falls silent for good.
    virtual void End() = 0;
};

// Locks, always taken in this order and never the other way round:
//   1. the device lock (Mutex()): held by whoever calls SDL about the device
//      or the tune: the user-interface thread (which only tries it for a
//      removal sound, so that a fall never waits) or the reconnecting thread,
//      which does not hold it while it tries a server;
//   2. SDL's lock of the open device (SDL_LockAudioDevice): held by SDL's
//      audio thread over the callback, and by whoever changes what it mixes;
//   3. the tune's hook lock (Tune.h): the finished report's target, taken by
//      the callback when the tune ends;
//   4. the flags lock (Link): the loss and the end, never held over a call
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
    // Loads the library in the background before the first sound.
    void Prepare();
    // Opens the device unless it is open; false when it cannot be had (or is lost).
    bool EnsureOpen();
    // The sample rate of the open device.
    int Rate() const { return m_nRate; }
    void PlayWave(int resourceId);
    // Hands the device a source to mix from now on, null for none, and
    // returns the one it mixed: the one source of the word "a tune is open".
    std::unique_ptr<CAudioSource> SetSource(std::unique_ptr<CAudioSource> source);
    // Ends the source, between two mixes.
    void EndSource();
    // The driver of the open device, empty when none is open.
    std::string Driver() const;

private:
    enum class State { Closed, Open, Lost, Failed };
    struct Link;
    struct Opened {
        std::uint32_t id = 0;  // 0: none
        int rate = 0;
    };

    // Opens the device, paused, through SDL's first working driver, or the one named.
    static Opened Open(const SdlApi& sdl, Link& link, const std::string& driver = {});
    // What every opening of the device needs, the first one and a reopening.
    void SetUp(Opened opened);
    // Frees everything made for the device and closes it.
    void TearDown(bool lost);
    std::vector<std::uint8_t> MakeWave(int resourceId) const;
    void Reconnect(std::shared_ptr<Link> link);
    static int OnDeviceEvent(void* link, SDL_Event* event);
    static void OnAudio(void* link, std::uint8_t* stream, int bytes);

    SdlLoader m_loadSdl;
    AssetLookup m_findSound;
    std::function<void(bool lost)> m_going;
    const SdlApi* m_sdl = nullptr;  // set by the first opening
    // Shared with the reconnecting thread and the audio callback, which may
    // outlive this object while a hung server holds it; every member below
    // that the thread touches is guarded by the device lock.
    std::shared_ptr<Link> m_link;
    std::thread m_reconnect;
    std::thread m_loader;  // Prepare's; it touches nothing of this object
    State m_state = State::Closed;
    std::string m_strDriver;  // the open device's, or the lost one's
    std::uint32_t m_nDevice = 0;
    int m_nRate = 0;
    // The removal sounds in the device's format; empty for a resource that
    // is missing or broken.
    std::map<int, std::vector<std::uint8_t>> m_waves;
};
