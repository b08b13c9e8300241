// The About box: the program's icon and version line, and OK.
//
// It changes nothing; OK, Enter, Esc and the close box all just close it.
#pragma once

#include "shell/ResDialog.h"

class wxButton;
class wxStaticBitmap;
class wxStaticText;

class CAboutDlg : public CResDialog {
public:
    explicit CAboutDlg(wxWindow* parent);

    wxButton* OkButton() const { return m_pOK; }
    wxStaticBitmap* Icon() const { return m_pIcon; }
    wxStaticText* VersionLine() const { return m_pVersion; }

private:
    wxStaticBitmap* m_pIcon = nullptr;
    wxStaticText* m_pVersion = nullptr;
    wxButton* m_pOK = nullptr;
};
