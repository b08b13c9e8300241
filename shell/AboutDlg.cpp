#include "shell/AboutDlg.h"

#include <wx/bmpbndl.h>
#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "res/Assets.h"
#include "res/resource.h"
#include "shell/Dialogs.h"

namespace {

// The program icon at the size the layout's icon cell holds: 32 pixels, or
// 64 where dialog units are large enough to give the bigger picture room.
// Each is drawn afresh for scales 2 and 3 as well, and the toolkit shows the
// one for the screen's scale.
wxBitmapBundle ProgramIcon(int cellPixels)
{
    const int logical = cellPixels >= 48 ? 64 : 32;
    wxVector<wxBitmap> bitmaps;
    for (int scale = 1; scale <= 3; ++scale) {
        const AssetBlob png = FindIconPng(logical * scale);
        bitmaps.push_back(wxBitmap::NewFromPNGData(png.data, png.size));
    }
    return wxBitmapBundle::FromBitmaps(bitmaps);
}

}  // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
    : CResDialog(parent, IDD_ABOUTBOX, wxDEFAULT_DIALOG_STYLE)
{
    const wxBitmapBundle icon = ProgramIcon(ItemSize(IDC_ABOUT_ICON).y);
    m_pIcon = new wxStaticBitmap(this, wxID_STATIC, icon, ItemPos(IDC_ABOUT_ICON), icon.GetDefaultSize());
    m_pVersion = new wxStaticText(this, wxID_STATIC,
                                  wxString::FromUTF8(LoadResString(IDS_DLG_ABOUT_VERSION)),
                                  ItemPos(IDC_ABOUT_VERSION), ItemSize(IDC_ABOUT_VERSION), wxST_NO_AUTORESIZE);
    // The line was measured in another face: give it the room its text
    // takes here. The dialog face (a dependency of the package) leaves OK
    // clear of it, as the layout did.
    const wxSize text = m_pVersion->GetTextExtent(m_pVersion->GetLabel());
    wxSize room = m_pVersion->GetSize();
    room.IncTo(text);
    m_pVersion->SetSize(room);
    m_pOK = new wxButton(this, wxID_OK, wxString::FromUTF8(LoadResString(IDS_DLG_OK)),
                         ItemPos(IDC_OK), ItemSize(IDC_OK));
    m_pOK->SetDefault();
    m_pOK->SetFocus();
    // There is no Cancel button: Esc answers with OK.
    SetEscapeId(wxID_OK);
    CentreOnOwner();
}

void RunAboutDialog(wxWindow* parent)
{
    CAboutDlg dlg(parent);
    dlg.ShowModal();
}
