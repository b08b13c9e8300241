#include "Sound.h"

#include <filesystem>
#include <utility>

#include "UserFiles.h"

namespace {

constexpr const char* MUSIC_FOLDER = "tolvane32";
constexpr const char* MUSIC_FILE = "Tolvane32.mid";

}  // namespace

CSoundSystem::CSoundSystem(AssetLookup findSound, AssetLookup findMidi, std::string soundFont, SdlLoader loadSdl,
                           SynthLibrary synth)
    : m_tune(m_device, findMidi, std::move(soundFont), synth),
      m_device(loadSdl, findSound, [this](bool lost) { m_tune.Free(lost); })
{
}

CSoundSystem::~CSoundSystem() = default;

std::string CSoundSystem::MusicFilePath()
{
    return userdirs::CacheDir() + "/" + MUSIC_FOLDER + "/" + MUSIC_FILE;
}

std::string CSoundSystem::DefaultSoundFont()
{
    for (const char* path : {"/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error))
            return path;
    }
    return {};
}

void CSoundSystem::PrepareSounds()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    m_device.Prepare();
}

void CSoundSystem::PlayWave(int resourceId)
{
    // While the device is being closed or set up again, the sound is skipped.
    std::unique_lock<std::mutex> device(m_device.Mutex(), std::try_to_lock);
    if (device.owns_lock())
        m_device.PlayWave(resourceId);
}

std::string CSoundSystem::WriteMusicFile()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    return m_tune.Write();
}

void CSoundSystem::PrepareMusic()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    m_tune.Prepare();
}

int CSoundSystem::PlayMusic(const std::string& path)
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    return m_tune.Play(path);
}

void CSoundSystem::StopMusic()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    m_tune.Stop();
}

void CSoundSystem::CloseMusic()
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    m_tune.Close();
}

void CSoundSystem::SetMusicFinishedCallback(std::function<void()> callback)
{
    m_tune.SetFinishedCallback(std::move(callback));
}

std::string CSoundSystem::GetAudioDriver() const
{
    std::lock_guard<std::mutex> device(m_device.Mutex());
    return m_device.Driver();
}
