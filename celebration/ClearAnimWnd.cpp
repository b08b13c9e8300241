#include "ClearAnimWnd.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/weakref.h>

#include "model/Rect.h"
#include "res/Strings.h"
#include "res/resource.h"

namespace {

constexpr int kTickTimerId = 1;
constexpr int kTickMillis = 100;

}  // namespace

CClearAnimWnd::CClearAnimWnd(ICelebrationHost& host)
    : m_host(host), m_timer(this, kTickTimerId), m_motion(host.Random(), host.RunState()) {
    Bind(wxEVT_PAINT, &CClearAnimWnd::OnPaint, this);
    Bind(wxEVT_TIMER, &CClearAnimWnd::OnTimer, this, kTickTimerId);
    Bind(wxEVT_LEFT_DOWN, &CClearAnimWnd::OnLButtonDown, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CClearAnimWnd::OnCaptureLost, this);
}

CClearAnimWnd::~CClearAnimWnd() {
    // Gone after its press, or while still running (the view replaces or
    // closes it): the mouse must not stay with a window that no longer exists.
    StopAll();
}

void CClearAnimWnd::Create(wxWindow* parent, const wxRect& rect) {
    // The cloth is all our own painting: no system erase under it.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxWindow::Create(parent, wxID_ANY, rect.GetPosition(), rect.GetSize(), wxBORDER_NONE, "ClearAnimWnd"))
        return;

    // Every left press in the program now ends the celebration, wherever it
    // lands.
    CaptureMouse();
    m_nTimerID = m_timer.Start(kTickMillis) ? 1u : 0u;
}

void CClearAnimWnd::FitCloth() {
    const wxSize client = GetClientSize();
    const wxSize size(std::max(client.x, 1), std::max(client.y, 1));
    const int scale = WholeScale(GetContentScaleFactor());
    if (m_bmpCloth.IsOk() && m_bmpCloth.GetLogicalSize() == size && m_bmpCloth.GetScaleFactor() == scale)
        return;
    wxBitmap cloth;
    cloth.CreateWithDIPSize(size, scale, 24);
    {
        wxMemoryDC dc(cloth);
        dc.SetBackground(wxBrush(ClothColour()));
        dc.Clear();
        // The trail so far, resampled: only the cards drawn from now on get
        // the new resolution.
        if (m_bmpCloth.IsOk())
            dc.DrawBitmap(m_bmpCloth, 0, 0);
    }
    m_bmpCloth = cloth;
}

void CClearAnimWnd::StopAll() {
    m_timer.Stop();
    if (HasCapture())
        ReleaseMouse();
}

void CClearAnimWnd::PlayFrame() {
    // The bonus is asked each tick, but only the first one chooses.
    const int bonus = m_host.Bonus();
    const wxSize client = GetClientSize();
    const CCardImageSet& images = m_host.Images();
    const CAnimSetup setup{client.x, client.y, images.CardWidth(), images.CardHeight(), images.CurrentBackImage()};
    const CRect card = m_motion.PlayFrame(bonus, setup);

    FitCloth();
    {
        wxMemoryDC dc(m_bmpCloth);
        m_host.DrawCard(dc, m_motion.Image(), card);
    }
    RefreshRect(wxRect(card.left, card.top, card.Width(), card.Height()));
}

void CClearAnimWnd::OnTimer(wxTimerEvent& /*event*/) {
    PlayFrame();
}

void CClearAnimWnd::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    FitCloth();
    if (m_bmpCloth.IsOk())
        dc.DrawBitmap(m_bmpCloth, 0, 0);
}

void CClearAnimWnd::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/) {
    // The message box takes the mouse while it asks; nothing to undo here.
}

int CClearAnimWnd::AskNewDeal() {
    const int seconds = m_host.ClearSeconds();
    const int bonus = m_host.Bonus();
    const std::string text = bonus != 0 ? FormatResString(IDS_CLEAR_BONUS, bonus, seconds)
                                        : FormatResString(IDS_CLEAR_NO_BONUS, seconds);
    return m_host.MessageBox(this, text, MB_OKCANCEL | MB_ICONINFORMATION);
}

void CClearAnimWnd::OnLButtonDown(wxMouseEvent& /*event*/) {
    // The handler is not skipped: the window is gone when it returns.
    if (m_bAsking)
        return;
    m_bAsking = true;

    m_host.StopMusic();
    // The tick goes on behind the message box, from the box's own loop.
    wxWeakRef<CClearAnimWnd> self(this);
    const int answer = AskNewDeal();
    if (!self)
        return;  // the view took the window away meanwhile

    // The host queues the deal, so that it runs after this window has gone,
    // and with it the tick and the hold on the mouse.
    m_host.OnCelebrationClosed(this, answer == IDOK);
    Destroy();
}
