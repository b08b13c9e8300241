// The card-back dialog: steps through the four card backs with two arrow
// buttons, shows the back in a preview frame and, on OK, makes it the back
// of the stock and stores it in the settings file.
//
// The index never wraps: the arrow that would leave the range is disabled at
// that end, and the focus moves to the other arrow so that the keyboard can
// keep stepping.
#pragma once

#include <wx/bitmap.h>
#include <wx/image.h>

#include "model/CardImageSet.h"

#include "shell/ResDialog.h"

class wxButton;
class wxCommandEvent;
class wxInitDialogEvent;
class wxPaintEvent;
class wxWindow;

class CCardBackDlg : public CResDialog {
public:
    CCardBackDlg(wxWindow* parent, CCardImageSet& images);

    void OnInitDialog(wxInitDialogEvent& event);
    void OnPrevCover(wxCommandEvent& event);
    void OnNextCover(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    // Enables the arrows for m_nCover, moves the focus off a disabled one and
    // has the preview redrawn.
    void UpdateArrows();

    wxButton* OkButton() const { return m_pOK; }
    wxButton* CancelButton() const { return m_pCancel; }
    wxButton* PrevButton() const { return m_pPrev; }
    wxButton* NextButton() const { return m_pNext; }
    wxWindow* PreviewFrame() const { return m_pFrame; }

    // The preview as it is drawn: the back m_nCover stretched to the frame,
    // drawn at the frame's device resolution (its scale factor is the
    // window's).
    wxBitmap PreviewBitmap();

    int m_nCover = 0;     // the back being previewed, 0..m_nMaxCover
    int m_nMaxCover = 0;  // the highest back index

private:
    void OnPaintPreview(wxPaintEvent& event);

    CCardImageSet& m_images;

    wxButton* m_pOK = nullptr;
    wxButton* m_pCancel = nullptr;
    wxWindow* m_pFrame = nullptr;
    wxButton* m_pPrev = nullptr;
    wxButton* m_pNext = nullptr;

    // Drawing the back is slow enough to keep the result for the next paint.
    wxBitmap m_scaled;
    int m_scaledCover = -1;
    wxSize m_scaledSize;
    int m_scaledFactor = 0;
};
