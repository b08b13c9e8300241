#include "WxHost.h"

#include <ctime>

#include <wx/utils.h>

#include "shell/Dialogs.h"
#include "shell/MessageBox.h"

CWxHost::CWxHost(CCardImageSet& images, CSoundSystem& sound) : m_images(images), m_sound(sound)
{
    m_sound.WriteMusicFile();
}

int CWxHost::Rand()
{
    return m_random.Rand();
}

TimeSecs CWxHost::Now()
{
    return static_cast<TimeSecs>(std::time(nullptr));
}

void CWxHost::Beep()
{
    wxBell();
}

int CWxHost::AskPlayerName(const std::string& achievement, std::string& name)
{
    return RunPlayerNameDialog(m_pParent, achievement, name);
}

void CWxHost::TablePressed()
{
    // The first removal sound of a run comes as soon as the others.
    m_sound.PrepareSounds();
}

void CWxHost::ClearComing()
{
    // The tune loads while the last cards fall and the record is asked.
    m_sound.PrepareMusic();
}

int CWxHost::MessageBox(wxWindow* owner, const std::string& text, unsigned style)
{
    return TolvaneMessageBox(owner, text, style);
}

void CWxHost::ChooseCardBack(wxWindow* owner)
{
    RunCardBackDialog(owner, m_images);
}

void CWxHost::PlayWave(int resourceId)
{
    m_sound.PlayWave(resourceId);
}

void CWxHost::PlayMusic()
{
    m_sound.PlayMusic(m_sound.GetMusicPath());
}

void CWxHost::StopMusic()
{
    m_sound.StopMusic();
}

void CWxHost::CloseMusic()
{
    m_sound.CloseMusic();
}

void CWxHost::SetMusicEndHandler(std::function<void()> handler)
{
    m_sound.SetMusicFinishedCallback(std::move(handler));
}
