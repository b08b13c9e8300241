// The common ground of the program's dialogs: caption, size and control
// rectangles from the dialog's template, in its font.
//
// The dialogs were laid out in dialog units of a 9-point proportional Gothic
// face; converting with the toolkit's own rule after the font is set keeps
// every control where the layout put it, whatever the screen's resolution.
#pragma once

#include <wx/dialog.h>
#include <wx/font.h>

#include "res/DialogTemplates.h"
#include "res/Strings.h"

class CResDialog : public wxDialog {
public:
    // The face that stands in for the layout's Japanese Gothic on this host.
    static constexpr const char* kFaceName = "IPAPGothic";
    static constexpr int kPointSize = 9;

    static wxFont DialogFont()
    {
        wxFont font(wxFontInfo(kPointSize).FaceName(kFaceName));
        if (!font.IsOk())
            font = wxFont(wxFontInfo(kPointSize));
        return font;
    }

protected:
    // Creates the dialog with the caption and client size of template dialogId.
    CResDialog(wxWindow* parent, int dialogId, long style) : CResDialog(parent, FindDialogTemplate(dialogId), style) {}

    // Where the template puts control controlId, in pixels.
    wxPoint ItemPos(int controlId)
    {
        const DialogItem& item = FindDialogItem(m_template, controlId);
        return ConvertDialogToPixels(wxPoint(item.x, item.y));
    }
    wxSize ItemSize(int controlId)
    {
        const DialogItem& item = FindDialogItem(m_template, controlId);
        return ConvertDialogToPixels(wxSize(item.width, item.height));
    }

    // Puts the dialog over its owner, as the host did for an owned dialog.
    void CentreOnOwner()
    {
        if (GetParent() != nullptr)
            CentreOnParent();
        else
            Centre();
    }

private:
    CResDialog(wxWindow* parent, const DialogTemplate& dialog, long style)
        : wxDialog(parent, wxID_ANY, wxString::FromUTF8(LoadResString(dialog.captionId)), wxDefaultPosition,
                   wxDefaultSize, style),
          m_template(dialog)
    {
        // Set before any control exists: the controls inherit it, and the
        // dialog-unit base is measured in it.
        SetFont(DialogFont());
        SetClientSize(ConvertDialogToPixels(wxSize(dialog.width, dialog.height)));
    }

    const DialogTemplate& m_template;
};
