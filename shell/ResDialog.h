// The common ground of the program's dialogs: the caption from the string
// table, the dialog font, and control rectangles given in dialog units.
//
// The dialogs were laid out in dialog units of a 9-point proportional Gothic
// face; converting with the toolkit's own rule after the font is set keeps
// every control where the layout put it, whatever the screen's resolution.
#pragma once

#include <wx/dialog.h>
#include <wx/font.h>

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
    // Creates the dialog with the caption of string captionId and a client
    // area of widthDlu x heightDlu dialog units.
    CResDialog(wxWindow* parent, int captionId, int widthDlu, int heightDlu, long style)
        : wxDialog(parent, wxID_ANY, wxString::FromUTF8(LoadResString(captionId)),
                   wxDefaultPosition, wxDefaultSize, style)
    {
        // Set before any control exists: the controls inherit it, and the
        // dialog-unit base is measured in it.
        SetFont(DialogFont());
        SetClientSize(ConvertDialogToPixels(wxSize(widthDlu, heightDlu)));
    }

    wxPoint DluPos(int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); }
    wxSize DluSize(int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); }

    // Puts the dialog over its owner, as the host did for an owned dialog.
    void CentreOnOwner()
    {
        if (GetParent() != nullptr)
            CentreOnParent();
        else
            Centre();
    }
};
