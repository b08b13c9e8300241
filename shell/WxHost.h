// The real host services of the running program.
//
// The game model reaches the clock, its random generator, the beep and the
// record-name dialog only through IHost; this is the one the program
// installs. The record-name dialog needs an owner, the main window, which
// exists only after the document that uses this host, so it is set later.
#pragma once

#include "model/HostServices.h"

class wxWindow;

class CWxHost : public IHost {
public:
    // The window that owns the record-name dialog (the main frame).
    void SetDialogParent(wxWindow* parent) { m_pParent = parent; }

    int Rand() override;
    TimeSecs Now() override;
    void Beep() override;
    int AskPlayerName(const std::string& achievement, std::string& name) override;

private:
    wxWindow* m_pParent = nullptr;
};
