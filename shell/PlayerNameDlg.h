// The record-name dialog: shows what was achieved (the clear time or the
// final score) and asks for the record holder's name.
//
// The name is limited to NAME_LIMIT bytes the way the records file has
// always counted them, in Shift-JIS: a half-width character is one byte, any
// other character two. The field itself refuses what would not fit, so the
// limit is never found out only at OK. OK is offered only for a name that is
// more than leading blanks.
#pragma once

#include <utility>

#include <wx/string.h>

#include "shell/ResDialog.h"

class wxButton;
class wxCommandEvent;
class wxInitDialogEvent;
class wxTextCtrl;

class CPlayerNameDlg : public CResDialog {
public:
    explicit CPlayerNameDlg(wxWindow* parent);

    // Bytes of the text in Shift-JIS: 1 for ASCII and half-width katakana
    // (U+FF61..U+FF9F), 2 for every other character.
    static int AnsiLength(const wxString& text);
    // The longest leading part of text of at most limit bytes (whole characters).
    static wxString CutToLimit(const wxString& text, int limit);
    // The field's text after an edit turned before into after, keeping of the
    // inserted characters only as many whole ones as fit in limit bytes, and
    // the position just after what was kept.
    static std::pair<wxString, long> FitEdit(const wxString& before, const wxString& after, int limit);

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    void OnInitDialog(wxInitDialogEvent& event);
    void OnNameChange(wxCommandEvent& event);

    wxTextCtrl* NameField() const { return m_pName; }
    wxTextCtrl* ScoreField() const { return m_pScore; }
    wxButton* OkButton() const { return m_pOK; }

    wxString m_strScore;  // the achievement line
    wxString m_strName;   // the name offered, then the name typed

private:
    wxButton* m_pOK = nullptr;
    wxButton* m_pCancel = nullptr;
    wxTextCtrl* m_pName = nullptr;
    wxTextCtrl* m_pScore = nullptr;
    wxString m_strLastText;  // the field's text before the latest change
};
