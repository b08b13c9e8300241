#include "shell/CardBackDlg.h"

#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/dcclient.h>
#include <wx/image.h>

#include "model/CardImageSet.h"
#include "model/HostServices.h"
#include "res/resource.h"
#include "shell/Dialogs.h"
#include "view/PictureCache.h"

namespace {

// The preview is a picture, not a control: the keyboard never stops there.
class PreviewArea : public wxWindow {
public:
    PreviewArea(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
        : wxWindow(parent, id, pos, size, wxBORDER_NONE)
    {
        SetBackgroundStyle(wxBG_STYLE_PAINT);
    }
    bool AcceptsFocus() const override { return false; }
};

}  // namespace

CCardBackDlg::CCardBackDlg(wxWindow* parent, CCardImageSet& images, const CPictureCache& pictures)
    : CResDialog(parent, IDS_DLG_CARDBACK_CAPTION, 157, 165, wxCAPTION), m_images(images), m_pictures(pictures)
{
    // Created in the tab order of the layout.
    m_pOK = new wxButton(this, wxID_OK, wxString::FromUTF8(LoadResString(IDS_DLG_OK)),
                         DluPos(97, 7), DluSize(50, 14));
    m_pCancel = new wxButton(this, wxID_CANCEL, wxString::FromUTF8(LoadResString(IDS_DLG_CANCEL)),
                             DluPos(97, 24), DluSize(50, 14));
    m_pFrame = new PreviewArea(this, IDC_COVER_FRAME, DluPos(7, 30), DluSize(77, 128));
    m_pPrev = new wxButton(this, IDC_COVER_PREV, "<", DluPos(7, 8), DluSize(38, 21));
    m_pNext = new wxButton(this, IDC_COVER_NEXT, ">", DluPos(46, 8), DluSize(38, 21));
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
    m_nCover = m_images.CurrentBack();
    if (m_nCover < 0 || m_nCover > m_nMaxCover)
        m_nCover = 0;
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
    Refresh(true);
    m_pFrame->Refresh(true);
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
    // Scaled from the back drawn for the screen's scale, straight to device
    // pixels: a high-density screen shows the back's own detail.
    const double factor = std::max(1.0, std::round(m_pFrame->GetContentScaleFactor()));
    if (m_scaled.IsOk() && m_scaledCover == m_nCover && m_scaledSize == size && m_scaledFactor == factor)
        return m_scaled;

    m_scaled = wxBitmap();
    m_scaledCover = m_nCover;
    m_scaledSize = size;
    m_scaledFactor = factor;
    const int scale = CPictureCache::PictureScale(factor);
    const wxBitmap* back = m_pictures.Get(m_images.BackImage(m_nCover), scale);
    if (back == nullptr || !back->IsOk() || size.x <= 0 || size.y <= 0)
        return m_scaled;

    wxImage image = back->ConvertToImage();
    // The source is the card's own rectangle at the picture's top left, in
    // the picture's pixels.
    const double pixels = back->GetScaleFactor();
    const int cardW = static_cast<int>(std::lround(m_images.CardWidth() * pixels));
    const int cardH = static_cast<int>(std::lround(m_images.CardHeight() * pixels));
    const int w = cardW > 0 ? std::min(cardW, image.GetWidth()) : image.GetWidth();
    const int h = cardH > 0 ? std::min(cardH, image.GetHeight()) : image.GetHeight();
    if (w != image.GetWidth() || h != image.GetHeight())
        image = image.GetSubImage(wxRect(0, 0, w, h));
    const int deviceW = static_cast<int>(std::lround(size.x * factor));
    const int deviceH = static_cast<int>(std::lround(size.y * factor));
    m_scaled = wxBitmap(image.Scale(deviceW, deviceH, wxIMAGE_QUALITY_HIGH), wxBITMAP_SCREEN_DEPTH, factor);
    return m_scaled;
}

void CCardBackDlg::OnPaintPreview(wxPaintEvent& /*event*/)
{
    wxPaintDC dc(m_pFrame);
    const wxSize size = m_pFrame->GetClientSize();
    const wxBitmap picture = PreviewBitmap();
    if (picture.IsOk()) {
        dc.DrawBitmap(picture, 0, 0);
    } else {
        dc.SetBackground(wxBrush(GetBackgroundColour()));
        dc.Clear();
    }
    // The black frame lies over the edge of the picture.
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.DrawRectangle(0, 0, size.x, size.y);
}

int RunCardBackDialog(wxWindow* parent, CCardImageSet& images, const CPictureCache& pictures)
{
    CCardBackDlg dlg(parent, images, pictures);
    return dlg.ShowModal() == wxID_OK ? IDOK : IDCANCEL;
}
