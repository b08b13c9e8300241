#include "ClearAnimWnd.h"

#include <algorithm>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/weakref.h>

#include "celebration/AnimRunState.h"
#include "model/CardImageSet.h"
#include "model/Random.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/MessageBox.h"
#include "view/PictureCache.h"
#include "view/Tolvane32View.h"

namespace {

constexpr int kTickTimerId = 1;
constexpr int kTickMillis = 100;

}  // namespace

CClearAnimWnd::CClearAnimWnd() : m_timer(this, kTickTimerId), m_motion(ProcessRandom(), ProcessAnimRunState()) {
    Bind(wxEVT_PAINT, &CClearAnimWnd::OnPaint, this);
    Bind(wxEVT_TIMER, &CClearAnimWnd::OnTimer, this, kTickTimerId);
    Bind(wxEVT_LEFT_DOWN, &CClearAnimWnd::OnLButtonDown, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CClearAnimWnd::OnCaptureLost, this);
}

CClearAnimWnd::~CClearAnimWnd() {
    // Deleted while still running (the view replaces or closes it): the
    // mouse must not stay with a window that no longer exists.
    StopAll();
}

bool CClearAnimWnd::Create(CTolvane32View* parent, const wxRect& rect) {
    // The cloth is all our own painting: no system erase under it.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxWindow::Create(parent, wxID_ANY, rect.GetPosition(), rect.GetSize(), wxBORDER_NONE, "ClearAnimWnd"))
        return false;
    SetBackgroundColour(ClothColour());

    const wxSize size = GetClientSize();
    m_bmpCloth.Create(std::max(size.x, 1), std::max(size.y, 1), 24);
    {
        wxMemoryDC dc(m_bmpCloth);
        dc.SetBackground(wxBrush(ClothColour()));
        dc.Clear();
    }

    // Every left press in the program now ends the celebration, wherever it
    // lands.
    CaptureMouse();
    m_nTimerID = m_timer.Start(kTickMillis) ? 1u : 0u;
    Refresh(false);
    return true;
}

CTolvane32View* CClearAnimWnd::View() const {
    return static_cast<CTolvane32View*>(GetParent());
}

void CClearAnimWnd::StopAll() {
    m_timer.Stop();
    if (HasCapture())
        ReleaseMouse();
}

void CClearAnimWnd::PlayFrame() {
    CTolvane32View* view = View();
    if (view == nullptr)
        return;
    const CTolvane32Doc* doc = view->GetDocument();
    // The bonus is asked each tick, but only the first one chooses.
    const int bonus = doc != nullptr ? doc->GetBonus() : 0;

    const wxSize client = GetClientSize();
    const CAnimSetup setup{client.x, client.y, g_cardImages.m_nCardWidth, g_cardImages.m_nCardHeight,
                           g_cardImages.CurrentBackImage()};
    const CRect card = m_motion.PlayFrame(bonus, setup);

    {
        wxMemoryDC dc(m_bmpCloth);
        CTolvane32View::DrawCardBitmap(dc, Pictures().Get(m_motion.Image()), card);
    }
    RefreshRect(wxRect(card.left, card.top, card.Width(), card.Height()), false);
}

void CClearAnimWnd::OnTimer(wxTimerEvent& /*event*/) {
    PlayFrame();
}

void CClearAnimWnd::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    if (m_bmpCloth.IsOk())
        dc.DrawBitmap(m_bmpCloth, 0, 0);
}

void CClearAnimWnd::OnCaptureLost(wxMouseCaptureLostEvent& /*event*/) {
    // The message box takes the mouse while it asks; nothing to undo here.
}

int CClearAnimWnd::AskNewDeal() {
    const CTolvane32Doc* doc = View()->GetDocument();
    const int seconds = doc != nullptr ? doc->ClearSeconds() : 0;
    const int bonus = doc != nullptr ? doc->GetBonus() : 0;
    const std::string text = bonus != 0 ? FormatResString(IDS_CLEAR_BONUS, bonus, seconds)
                                        : FormatResString(IDS_CLEAR_NO_BONUS, seconds);
    return TolvaneMessageBox(this, text, MB_OKCANCEL | MB_ICONINFORMATION);
}

void CClearAnimWnd::OnLButtonDown(wxMouseEvent& /*event*/) {
    // The handler is not skipped: the window is gone when it returns.
    if (m_bAsking)
        return;
    m_bAsking = true;

    View()->StopMusic();
    // The tick goes on behind the message box, from the box's own loop.
    wxWeakRef<CClearAnimWnd> self(this);
    const int answer = AskNewDeal();
    if (!self)
        return;  // the view took the window away meanwhile

    CTolvane32View* view = View();
    if (answer == IDOK) {
        // Queued, not sent: the deal runs after this window has gone.
        wxQueueEvent(view->GetEventHandler(), new wxCommandEvent(wxEVT_MENU, ID_GAME_DEAL));
    }
    StopAll();
    view->OnCelebrationClosed(this);
    Destroy();
}
