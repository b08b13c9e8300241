#include "Tune.h"

#include <malloc.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>

#include "SdlApi.h"
#include "Sound.h"
#include "UserFiles.h"
#include "res/resource.h"

namespace {

// SDL_mixer's finished hook is a plain function without a user pointer: it
// reaches the tune that plays through this, under the hook lock, so the tune
// cannot be destroyed in the middle of a report.
std::mutex g_hookMutex;
CTune* g_pHookTarget = nullptr;

}  // namespace

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
    std::error_code error;
    return m_strSoundFont.empty() || std::filesystem::is_regular_file(m_strSoundFont, error);
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
