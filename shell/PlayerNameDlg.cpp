#include "shell/PlayerNameDlg.h"

#include <algorithm>

#include <gtk/gtk.h>

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "model/HostServices.h"
#include "model/Text.h"
#include "res/resource.h"
#include "shell/Dialogs.h"

namespace {

// The achievement line is an edit only so that it can be selected and
// copied; Tab passes it by. GTK moves the keyboard focus itself, so the
// line's text view turns it away there: a click still gives it the focus.
class AchievementLine : public wxTextCtrl {
public:
    AchievementLine(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
        : wxTextCtrl(parent, id, wxEmptyString, pos, size,
                     wxTE_MULTILINE | wxTE_READONLY | wxTE_NO_VSCROLL | wxBORDER_NONE)
    {
        g_signal_connect(GetConnectWidget(), "focus", G_CALLBACK(&PassFocusOn), nullptr);
    }

private:
    static gboolean PassFocusOn(GtkWidget* view, GtkDirectionType, gpointer)
    {
        g_signal_stop_emission_by_name(view, "focus");
        return FALSE;  // on to the next in the chain
    }
};

bool IsHalfWidth(wxUniChar c)
{
    const auto code = c.GetValue();
    return code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F);
}

// The records' own left-trim, for the field's text: the full-width blank
// is not one of the blanks it removes.
wxString TrimLeftText(const wxString& text)
{
    return wxString::FromUTF8(TrimLeft(text.ToStdString(wxConvUTF8)));
}

}  // namespace

CPlayerNameDlg::CPlayerNameDlg(wxWindow* parent)
    : CResDialog(parent, IDD_PLAYERNAME, wxDEFAULT_DIALOG_STYLE)
{
    // Created in the tab order of the layout.
    m_pOK = new wxButton(this, wxID_OK, wxString::FromUTF8(LoadResString(IDS_DLG_OK)),
                         ItemPos(IDC_OK), ItemSize(IDC_OK));
    m_pCancel = new wxButton(this, wxID_CANCEL, wxString::FromUTF8(LoadResString(IDS_DLG_CANCEL)),
                             ItemPos(IDC_CANCEL), ItemSize(IDC_CANCEL));
    m_pName = new wxTextCtrl(this, IDC_NAME, wxEmptyString, ItemPos(IDC_NAME), ItemSize(IDC_NAME));
    m_pScore = new AchievementLine(this, IDC_SCORE, ItemPos(IDC_SCORE), ItemSize(IDC_SCORE));
    m_pScore->SetBackgroundColour(GetBackgroundColour());
    new wxStaticText(this, wxID_STATIC, wxString::FromUTF8(LoadResString(IDS_DLG_NAME_PROMPT)),
                     ItemPos(IDC_NAME_PROMPT), ItemSize(IDC_NAME_PROMPT));
    m_pOK->SetDefault();

    Bind(wxEVT_INIT_DIALOG, &CPlayerNameDlg::OnInitDialog, this);
    m_pName->Bind(wxEVT_TEXT, &CPlayerNameDlg::OnNameChange, this);
    CentreOnOwner();
}

int CPlayerNameDlg::AnsiLength(const wxString& text)
{
    int bytes = 0;
    for (wxUniChar c : text)
        bytes += IsHalfWidth(c) ? 1 : 2;
    return bytes;
}

wxString CPlayerNameDlg::CutToLimit(const wxString& text, int limit)
{
    int bytes = 0;
    size_t keep = 0;
    for (wxUniChar c : text) {
        bytes += IsHalfWidth(c) ? 1 : 2;
        if (bytes > limit)
            break;
        ++keep;
    }
    return text.Left(keep);
}

std::pair<wxString, long> CPlayerNameDlg::FitEdit(const wxString& before, const wxString& after, int limit)
{
    // The edit replaced the middle of before by the middle of after: find the
    // untouched head and tail, and keep of the new middle what still fits.
    const auto head = static_cast<size_t>(
        std::mismatch(before.begin(), before.end(), after.begin(), after.end()).first - before.begin());
    const auto tail = static_cast<size_t>(
        std::mismatch(before.rbegin(), before.rend() - head, after.rbegin(), after.rend() - head).first -
        before.rbegin());

    const wxString prefix = after.Left(head);
    const wxString suffix = after.Right(tail);
    const int room = limit - AnsiLength(prefix) - AnsiLength(suffix);
    if (room < 0) {
        // Head and tail alone overflow (only a text set from outside can do
        // that): cut the whole text instead.
        const wxString cut = CutToLimit(after, limit);
        return {cut, static_cast<long>(cut.length())};
    }
    // The whole overflows, so less than the new middle fits: what fits of
    // all that follows the head is part of the middle.
    const wxString kept = CutToLimit(after.Mid(head), room);
    return {prefix + kept + suffix, static_cast<long>(prefix.length() + kept.length())};
}

bool CPlayerNameDlg::TransferDataToWindow()
{
    m_pScore->ChangeValue(m_strScore);
    // The field can never hold more than the limit, not even as offered.
    m_strLastText = CutToLimit(m_strName, NAME_LIMIT);
    m_pName->ChangeValue(m_strLastText);
    return true;
}

bool CPlayerNameDlg::TransferDataFromWindow()
{
    m_strScore = m_pScore->GetValue();
    m_strName = m_pName->GetValue();
    return true;
}

void CPlayerNameDlg::OnInitDialog(wxInitDialogEvent& /*event*/)
{
    TransferDataToWindow();
    // Only the member is trimmed; the field shows the name as offered.
    m_strName = TrimLeftText(m_strName);
    const bool named = !m_strName.empty();
    m_pOK->Enable(named);
    // With a name offered, the first tab stop: Enter accepts it at once.
    if (named)
        m_pOK->SetFocus();
    else
        m_pName->SetFocus();
}

void CPlayerNameDlg::OnNameChange(wxCommandEvent& /*event*/)
{
    wxString text = m_pName->GetValue();
    if (AnsiLength(text) > NAME_LIMIT) {
        const auto [fitted, caret] = FitEdit(m_strLastText, text, NAME_LIMIT);
        text = fitted;
        m_pName->ChangeValue(text);
        // The entry moves its caret past the whole insertion once this
        // handler returns: then the caret goes after what was kept.
        CallAfter([this, caret] {
            if (caret <= m_pName->GetLastPosition())
                m_pName->SetInsertionPoint(caret);
        });
    }
    m_strLastText = text;
    m_pOK->Enable(!TrimLeftText(text).empty());
}

int RunPlayerNameDialog(wxWindow* parent, const std::string& achievement, std::string& name)
{
    CPlayerNameDlg dlg(parent);
    dlg.m_strScore = wxString::FromUTF8(achievement);
    dlg.m_strName = wxString::FromUTF8(name);
    if (dlg.ShowModal() != wxID_OK)
        return IDCANCEL;
    name = dlg.m_strName.ToStdString(wxConvUTF8);
    return IDOK;
}
