// The real host services of the running program.
//
// The game model reaches the clock, the run's random generator, the beep and
// the record-name dialog only through IHost, which also hears of a coming
// clear (the tune starts loading); the table view reaches the message boxes,
// the card-back dialog, the sounds and the tune only through IViewHost; this
// one object stands behind both. The dialogs need an owner, the main window,
// which exists only after the document that uses this host, so it is set
// later.
#pragma once

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Random.h"
#include "shell/Sound.h"
#include "view/ViewHost.h"

class wxWindow;

class CWxHost : public IHost, public IViewHost {
public:
    // Writes the music file; opens no sound device yet.
    CWxHost(CCardImageSet& images, CSoundSystem& sound);

    // The window that owns the record-name dialog (the main frame).
    void SetDialogParent(wxWindow* parent) { m_pParent = parent; }

    // --- IHost
    int Rand() override;
    TimeSecs Now() override;
    void Beep() override;
    int AskPlayerName(const std::string& achievement, std::string& name) override;
    void TablePressed() override;
    void ClearComing() override;

    // --- IViewHost
    int MessageBox(wxWindow* owner, const std::string& text, unsigned style) override;
    void ChooseCardBack(wxWindow* owner) override;
    void PlayWave(int resourceId) override;
    void PlayMusic() override;
    void StopMusic() override;
    void CloseMusic() override;
    void SetMusicEndHandler(std::function<void()> handler) override;
    IRandom& Random() override { return m_random; }

private:
    CCardImageSet& m_images;
    CRuntimeRandom m_random;
    CSoundSystem& m_sound;
    wxWindow* m_pParent = nullptr;
};
