#include "shell/CardBackDlg.h"

#include <algorithm>
#include <memory>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/image.h>

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "model/Rect.h"
#include "res/gen/CardPainter.h"
#include "res/resource.h"
#include "shell/Dialogs.h"
#include "view/PictureCache.h"

namespace {

// The preview is a picture, not a control: the keyboard never stops there.
// The toolkit asks AcceptsFocus while the base is still being made, so
// GTK's focus chain hears it only from SetCanFocus.
class PreviewArea : public wxWindow {
public:
    PreviewArea(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
        : wxWindow(parent, id, pos, size, wxBORDER_NONE)
    {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
        SetCanFocus(false);
    }
    bool AcceptsFocus() const override { return false; }
};

// The back drawn by the card painter at exactly width x height device
// pixels; invalid when it cannot be drawn.
wxImage DrawBack(int design, int width, int height)
{
    const std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface(
        CCardPainter::BackAtSize(design, width, height), cairo_surface_destroy);
    return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS ? CPictureCache::ImageOf(surface.get())
                                                                       : wxImage();
}

}  // namespace

CCardBackDlg::CCardBackDlg(wxWindow* parent, CCardImageSet& images)
    : CResDialog(parent, IDD_CARDBACK, wxCAPTION), m_images(images)
{
    // Created in the tab order of the layout.
    m_pOK = new wxButton(this, wxID_OK, wxString::FromUTF8(LoadResString(IDS_DLG_OK)),
                         ItemPos(IDC_OK), ItemSize(IDC_OK));
    m_pCancel = new wxButton(this, wxID_CANCEL, wxString::FromUTF8(LoadResString(IDS_DLG_CANCEL)),
                             ItemPos(IDC_CANCEL), ItemSize(IDC_CANCEL));
    m_pFrame = new PreviewArea(this, IDC_COVER_FRAME, ItemPos(IDC_COVER_FRAME), ItemSize(IDC_COVER_FRAME));
    m_pPrev = new wxButton(this, IDC_COVER_PREV, "<", ItemPos(IDC_COVER_PREV), ItemSize(IDC_COVER_PREV));
    m_pNext = new wxButton(this, IDC_COVER_NEXT, ">", ItemPos(IDC_COVER_NEXT), ItemSize(IDC_COVER_NEXT));
    m_pOK->SetDefault();

    Bind(wxEVT_INIT_DIALOG, &CCardBackDlg::OnInitDialog, this);
    Bind(wxEVT_BUTTON, &CCardBackDlg::OnPrevCover, this, IDC_COVER_PREV);
    Bind(wxEVT_BUTTON, &CCardBackDlg::OnNextCover, this, IDC_COVER_NEXT);
    Bind(wxEVT_BUTTON, &CCardBackDlg::OnOK, this, wxID_OK);
    Bind(wxEVT_BUTTON, &CCardBackDlg::OnCancel, this, wxID_CANCEL);
    m_pFrame->Bind(wxEVT_PAINT, &CCardBackDlg::OnPaintPreview, this);
    CentreOnOwner();
}

void CCardBackDlg::OnInitDialog(wxInitDialogEvent& /*event*/)
{
    m_nMaxCover = 3;
    m_nCover = m_images.CurrentBack();  // the image set keeps it in range
    UpdateArrows();
    m_pOK->SetFocus();
}

void CCardBackDlg::OnPrevCover(wxCommandEvent& /*event*/)
{
    // A click that reaches a disabled arrow (from code) must not leave the range.
    if (m_nCover <= 0)
        return;
    --m_nCover;
    UpdateArrows();
}

void CCardBackDlg::OnNextCover(wxCommandEvent& /*event*/)
{
    if (m_nCover >= m_nMaxCover)
        return;
    ++m_nCover;
    UpdateArrows();
}

void CCardBackDlg::UpdateArrows()
{
    if (m_nCover == 0) {
        m_pPrev->Enable(false);
        m_pNext->SetFocus();
    } else {
        m_pPrev->Enable(true);
    }
    if (m_nCover == m_nMaxCover) {
        m_pNext->Enable(false);
        m_pPrev->SetFocus();
    } else {
        m_pNext->Enable(true);
    }
    // The whole dialog, the preview within it.
    Refresh();
}

void CCardBackDlg::OnOK(wxCommandEvent& /*event*/)
{
    // Written even when unchanged: OK always stores what it shows.
    m_images.SetCurrentBack(m_nCover);
    EndModal(wxID_OK);
}

void CCardBackDlg::OnCancel(wxCommandEvent& /*event*/)
{
    EndModal(wxID_CANCEL);
}

wxBitmap CCardBackDlg::PreviewBitmap()
{
    const wxSize size = m_pFrame->GetClientSize();
    // Drawn straight at device pixels: a high-density screen shows the back's
    // own detail.
    const int factor = WholeScale(m_pFrame->GetContentScaleFactor());
    if (m_scaled.IsOk() && m_scaledCover == m_nCover && m_scaledSize == size && m_scaledFactor == factor)
        return m_scaled;

    m_scaled = wxBitmap();
    m_scaledCover = m_nCover;
    m_scaledSize = size;
    m_scaledFactor = factor;
    if (size.x <= 0 || size.y <= 0)
        return m_scaled;
    const int deviceW = size.x * factor;
    const int deviceH = size.y * factor;
    // The frame has other proportions than the card and, on a high-density
    // screen, more pixels than any of the table's pictures: any of them
    // scaled to it would show soft edges, so the painter draws the back at
    // the frame's own size; it numbers its designs as the image set its backs.
    const wxImage image = DrawBack(m_nCover, deviceW, deviceH);
    if (image.IsOk())
        m_scaled = wxBitmap(image, wxBITMAP_SCREEN_DEPTH, factor);
    return m_scaled;
}

void CCardBackDlg::OnPaintPreview(wxPaintEvent& /*event*/)
{
    wxPaintDC dc(m_pFrame);
    const wxSize size = m_pFrame->GetClientSize();
    const wxBitmap picture = PreviewBitmap();
    if (picture.IsOk())
        dc.DrawBitmap(picture, 0, 0);
    // The black frame lies over the edge of the picture.
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(0, 0, size.x, size.y);
}

int RunCardBackDialog(wxWindow* parent, CCardImageSet& images)
{
    CCardBackDlg dlg(parent, images);
    return dlg.ShowModal() == wxID_OK ? IDOK : IDCANCEL;
}
