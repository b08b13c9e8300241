#include "MessageBox.h"

#include <wx/msgdlg.h>

#include "model/HostServices.h"
#include "res/Strings.h"
#include "res/resource.h"

int TolvaneMessageBox(wxWindow* owner, const std::string& text, unsigned style)
{
    const unsigned buttons = style & 0x0F;
    long wxStyle = wxOK;
    if (buttons == MB_OKCANCEL)
        wxStyle = wxOK | wxCANCEL;
    else if (buttons == MB_YESNO)
        wxStyle = wxYES_NO;
    // Without an explicit "no icon" the toolkit picks one by the button set.
    wxStyle |= (style & MB_ICONINFORMATION) != 0 ? wxICON_INFORMATION : wxICON_NONE;

    wxMessageDialog dialog(owner, wxString::FromUTF8(text), wxString::FromUTF8(LoadResString(IDS_MSG_CAPTION)),
                           wxStyle);
    // The buttons speak the game's language whatever the desktop's locale;
    // the dialogs' own resources carry these labels.
    const wxString ok = wxString::FromUTF8(LoadResString(IDS_DLG_OK));
    if (buttons == MB_OKCANCEL)
        dialog.SetOKCancelLabels(ok, wxString::FromUTF8(LoadResString(IDS_DLG_CANCEL)));
    else if (buttons == MB_YESNO)
        dialog.SetYesNoLabels(wxString::FromUTF8(LoadResString(IDS_DLG_YES)),
                              wxString::FromUTF8(LoadResString(IDS_DLG_NO)));
    else
        dialog.SetOKLabel(ok);
    const int answer = dialog.ShowModal();

    switch (buttons) {
    case MB_YESNO:
        // Escape and the close box come back as wxID_CANCEL; the game has
        // always read them as No.
        return answer == wxID_YES ? IDYES : IDNO;
    case MB_OKCANCEL:
        return answer == wxID_OK ? IDOK : IDCANCEL;
    default:
        return IDOK;
    }
}
