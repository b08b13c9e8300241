#include "Tolvane32View.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include <cairo.h>
#include <gtk/gtk.h>

#include <wx/dcclient.h>
#include <wx/dcgraph.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/graphics.h>
#include <wx/region.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "FramePacer.h"
#include "PictureCache.h"
#include "celebration/ClearAnimWnd.h"
#include "model/CardImageSet.h"
#include "model/Tolvane32Doc.h"
#include "res/Strings.h"
#include "res/resource.h"

namespace {

const wxColour kTableGreen(0, 127, 0);
const wxColour kRecordGreen(0, 191, 0);
const wxColour kScoreRed(255, 0, 0);

// The falling card moves straight down by this many pixels per frame.
constexpr int kFallStep = 8;
// One frame of the falling card: 60 frames a second.
constexpr int kFallFrameMillis = 16;

wxRect ToWx(const CRect& r)
{
    return wxRect(r.left, r.top, r.Width(), r.Height());
}

CRect Intersect(const CRect& a, const CRect& b)
{
    CRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
    return r.IsRectEmpty() ? CRect{} : r;
}

wxFont InterfaceFont()
{
    return wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
}

wxString ResText(int id)
{
    return wxString::FromUTF8(LoadResString(id));
}

// Device pixels per logical pixel where cr draws: a bitmap's context and the
// off-screen table's carry their scale in their matrix. (A window's carries
// it in its surface; nothing draws cards or text straight into a window.)
int ContextScale(cairo_t* cr)
{
    cairo_matrix_t matrix;
    cairo_get_matrix(cr, &matrix);
    return WholeScale(matrix.xx);
}

// Draws into a surface of device pixels in logical ones, scale device pixels
// each, as the toolkit's memory device context draws into a bitmap of that
// scale: the same context settings, so the same pixels.
class CSurfaceDC {
public:
    CSurfaceDC(cairo_surface_t* surface, int scale) : m_cr(cairo_create(surface), cairo_destroy), m_dc(Context(scale))
    {
    }
    wxDC& DC() { return m_dc; }

private:
    wxGraphicsContext* Context(int scale)
    {
        cairo_scale(m_cr.get(), scale, scale);
        wxGraphicsContext* gc = wxGraphicsContext::CreateFromNative(m_cr.get());
        gc->SetContentScaleFactor(scale);
        return gc;
    }
    std::unique_ptr<cairo_t, void (*)(cairo_t*)> m_cr;  // outlives the toolkit's context
    wxGCDC m_dc;
};

// Paints a surface of device pixels at the left of cr, top logical pixels
// down, where a logical pixel is scale device pixels: one to one, as the
// toolkit draws a bitmap of that scale.
void PaintDevicePixels(cairo_t* cr, cairo_surface_t* surface, int scale, int top = 0)
{
    cairo_save(cr);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, surface, 0, top * scale);
    cairo_paint(cr);
    cairo_restore(cr);
}

// Whether event is a press or release for the frame around the toolkit's
// content in window: on Wayland, the title bar that GTK draws itself, with
// its close button, and the window's edges.
bool IsFrameInput(const GdkEvent* event, GtkWidget* window)
{
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE)
        return false;
    GtkWidget* target = gtk_get_event_widget(const_cast<GdkEvent*>(event));
    GtkWidget* content = gtk_bin_get_child(GTK_BIN(window));
    auto within = [](GtkWidget* w, GtkWidget* outer) { return w == outer || gtk_widget_is_ancestor(w, outer); };
    return target != nullptr && within(target, window) && (content == nullptr || !within(target, content));
}

// The toolkit's drawing loop holds back every press and key until the fall
// is over, and a dialog or the celebration's hold on the mouse may follow
// at once: a press held for the title bar would then go to them. So the
// frame's own presses go to GTK now, as the window system's requests do;
// the rest wait where they were, in their order.
void PassFrameInput(GtkWidget* window)
{
    GdkDisplay* display = gtk_widget_get_display(window);
    std::vector<GdkEvent*> held;
    while (GdkEvent* event = gdk_display_get_event(display)) {
        if (IsFrameInput(event, window)) {
            gtk_main_do_event(event);
            gdk_event_free(event);
        } else {
            held.push_back(event);
        }
    }
    for (GdkEvent* event : held) {
        gdk_display_put_event(display, event);
        gdk_event_free(event);
    }
}

// Copies every pixel of from (opaque, as the table is) onto the target of
// to, device pixel for device pixel, and ends to.
void CopySurface(cairo_t* to, cairo_surface_t* from)
{
    cairo_identity_matrix(to);
    cairo_set_source_surface(to, from, 0, 0);
    cairo_paint(to);
    cairo_destroy(to);
}

}  // namespace

void CTolvane32View::SurfaceDestroy::operator()(cairo_surface_t* surface) const
{
    cairo_surface_destroy(surface);
}

CTolvane32View::CTolvane32View(wxWindow* parent, CTolvane32Doc& doc, CPictureCache& pictures, IViewHost& host)
    : m_doc(doc), m_pictures(pictures), m_host(host), m_bWayland(wxGetDisplayInfo().type == wxDisplayWayland),
      m_nFallFrameMillis(kFallFrameMillis)
{
    // Everything is presented from the off-screen picture: no erasing. The
    // strips hang from the bottom edge, so any new size repaints all, from a
    // picture made anew at that size.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, wxDefaultPosition, parent != nullptr ? parent->GetClientSize() : wxDefaultSize,
           wxFULL_REPAINT_ON_RESIZE);

    // One line of the interface font, Japanese included, with two pixels
    // above and below; measured once so that the zones never move.
    SetFont(InterfaceFont());
    m_nStripHeight = GetTextExtent(wxString::FromUTF8("最速クリア情報 Ag")).y + 4;

    m_host.SetMusicEndHandler([this] {
        // Runs on the audio thread: only hand the news to the UI thread.
        CallAfter(&CTolvane32View::OnMciNotify);
    });

    Bind(wxEVT_PAINT, &CTolvane32View::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &CTolvane32View::OnMouseDown, this);
    // The toolkit turns a quick second press into a double click; the game
    // has no double clicks, so every press is a press.
    Bind(wxEVT_LEFT_DCLICK, &CTolvane32View::OnMouseDown, this);
    Bind(wxEVT_MENU, &CTolvane32View::OnCommand, this, ID_GAME_DEAL, ID_GAME_CARDBACK);
    Bind(wxEVT_UPDATE_UI, &CTolvane32View::OnUpdateUndo, this, ID_GAME_UNDO);
}

CTolvane32View::~CTolvane32View()
{
    // No more news from the audio thread for a view that is going away.
    m_host.SetMusicEndHandler(nullptr);
    CloseCelebration();
    m_host.CloseMusic();
    m_doc.SetView(nullptr);
}

void CTolvane32View::CloseCelebration()
{
    if (m_pClearAnimWnd != nullptr) {
        CClearAnimWnd* wnd = m_pClearAnimWnd;
        m_pClearAnimWnd = nullptr;
        wnd->Destroy();
    }
}

// ---------------------------------------------------------------- drawing

CRect CTolvane32View::ClientRect() const
{
    const wxSize size = GetClientSize();
    return CRect{0, 0, size.x, size.y};
}

bool CTolvane32View::IsRectOffClient(const CRect& rect) const
{
    const CRect client = ClientRect();
    return !client.PtInRect(rect.left, rect.top) && !client.PtInRect(rect.left, rect.bottom) &&
           !client.PtInRect(rect.right, rect.top) && !client.PtInRect(rect.right, rect.bottom);
}

void CTolvane32View::DrawCardBitmap(wxDC& dc, const CPictureCache& pictures, PictureId picture, const CRect& rect)
{
    // Every device context of the toolkit draws with cairo.
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (gc == nullptr || picture == 0 || rect.IsRectEmpty())
        return;
    auto* cr = static_cast<cairo_t*>(gc->GetNativeContext());
    // The outline follows the device, even where the picture's own scale
    // stops short of it.
    const int scale = ContextScale(cr);
    wxRegion outline(pictures.CardOutline(rect.Width(), rect.Height(), scale));
    if (!outline.IsOk() || outline.IsEmpty())
        return;
    outline.Offset(rect.left * scale, rect.top * scale);
    // Clipping on the graphics context keeps any clip the caller set (the
    // paint region, a window's own clip) once the card is drawn.
    gc->PushState();
    if (scale == 1) {
        gc->Clip(outline);
    } else {
        // The region is in device pixels: set it in device units, then draw
        // in logical ones again.
        const wxGraphicsMatrix logical = gc->GetTransform();
        gc->Scale(1.0 / scale, 1.0 / scale);
        gc->Clip(outline);
        gc->SetTransform(logical);
    }
    pictures.Draw(cr, picture, rect.left, rect.top, CPictureCache::PictureScale(scale));
    gc->PopState();
}

void CTolvane32View::InvertRect(wxDC& dc, const CRect& rect)
{
    // Every device context of the toolkit draws with cairo.
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (gc == nullptr || rect.IsRectEmpty())
        return;
    // Cairo has no raster operations; white "difference" composition gives
    // 255 - c for every channel, which undoes itself when done twice.
    const wxCompositionMode previous = gc->GetCompositionMode();
    gc->SetCompositionMode(wxCOMPOSITION_DIFF);
    gc->SetPen(*wxTRANSPARENT_PEN);
    gc->SetBrush(*wxWHITE_BRUSH);
    gc->DrawRectangle(rect.left, rect.top, rect.Width(), rect.Height());
    gc->SetCompositionMode(previous);
    // The device context believes its own pen and brush are still selected.
    gc->SetPen(dc.GetPen().IsOk() ? dc.GetPen() : *wxTRANSPARENT_PEN);
    gc->SetBrush(dc.GetBrush().IsOk() ? dc.GetBrush() : *wxTRANSPARENT_BRUSH);
}

void CTolvane32View::OnDraw(wxDC& dc)
{
    const CRect client = ClientRect();
    const int h = m_nStripHeight;

    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(kTableGreen));
    dc.DrawRectangle(0, 0, client.right, client.bottom - h);

    ForEachShownCard([&](PictureId picture, const CRect& rect, bool selected) {
        DrawCardBitmap(dc, m_pictures, picture, rect);
        if (selected)
            InvertRect(dc, rect);
    });

    DrawStrips(dc, client);
}

void CTolvane32View::DrawStrips(wxDC& dc, const CRect& client)
{
    // Cairo lets the target choose how text is rasterised: the X server's
    // surfaces hint the glyphs, image surfaces do not. The strips are drawn
    // into an image of their own and copied, so that the text comes out the
    // same wherever the table is kept.
    // One strip at a time: the image goes to the X server through a shared
    // memory pool that keeps the pages of its largest transfer.
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    auto* cr = gc != nullptr ? static_cast<cairo_t*>(gc->GetNativeContext()) : nullptr;
    const int scale = cr != nullptr ? ContextScale(cr) : 1;
    for (int top = client.bottom - 2 * m_nStripHeight; top < client.bottom; top += m_nStripHeight) {
        CPictureCache::Surface strip;
        if (cr != nullptr && cairo_surface_get_type(cairo_get_target(cr)) != CAIRO_SURFACE_TYPE_IMAGE && top >= 0)
            strip = CPictureCache::NewImage(client.right * scale, m_nStripHeight * scale);
        if (!strip) {
            DrawStripsOn(dc, client);
            return;
        }
        {
            CSurfaceDC stripDC(strip.get(), scale);
            stripDC.DC().SetDeviceOrigin(0, -top);
            DrawStripsOn(stripDC.DC(), client);
        }
        PaintDevicePixels(cr, strip.get(), scale, top);
    }
}

void CTolvane32View::DrawStripsOn(wxDC& dc, const CRect& client)
{
    const int h = m_nStripHeight;
    const int recordTop = client.bottom - 2 * h;
    const int scoreTop = client.bottom - h;

    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(kRecordGreen));
    dc.DrawRectangle(0, recordTop, client.right, h);
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(0, scoreTop, client.right, h);

    // Text stands in an opaque white box, on the green strip as well.
    dc.SetFont(InterfaceFont());
    dc.SetBackgroundMode(wxBRUSHSTYLE_SOLID);
    dc.SetTextBackground(*wxWHITE);
    dc.SetTextForeground(*wxBLACK);

    wxString record;
    if (m_doc.GetFastTimeSpan() != 0) {
        record = wxString::FromUTF8(FormatResString(IDS_FAST_RECORD, m_doc.GetFastPlayer().c_str(),
                                                    static_cast<int>(m_doc.GetFastTimeSpan())));
    } else {
        record = ResText(IDS_FAST_NONE);
    }
    dc.DrawText(record, client.left + 16, recordTop + 2);

    dc.DrawText(wxString::FromUTF8(FormatResString(IDS_BONUS_LINE, m_doc.GetBonus())), client.left + 16,
                scoreTop + 2);
    dc.DrawText(ResText(IDS_SCORE_LABEL), client.right - 96, scoreTop + 2);
    if (m_doc.GetScore() < 0)
        dc.SetTextForeground(kScoreRed);
    dc.DrawText(wxString::Format("%d", m_doc.GetScore()), client.right - 56, scoreTop + 2);
    dc.SetTextForeground(*wxBLACK);
}

int CTolvane32View::DeviceScale() const
{
    return WholeScale(GetContentScaleFactor());
}

CTolvane32View::Surface CTolvane32View::NewTableSurface(const wxSize& size, int scale)
{
    // Like the window's own pixels: a pixmap of the X server, or memory of
    // ours where the window's pixels are ours too (Wayland).
    Surface surface;
    GdkWindow* window = GTKGetDrawingWindow();
    if (window != nullptr && gdk_window_get_scale_factor(window) == scale) {
        surface.reset(gdk_window_create_similar_surface(window, CAIRO_CONTENT_COLOR, size.x, size.y));
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            surface.reset();
    }
    if (surface) {
        // Addressed in device pixels, as a bitmap of that scale is.
        cairo_surface_set_device_scale(surface.get(), 1, 1);
        return surface;
    }
    return Surface(CPictureCache::NewImage(size.x * scale, size.y * scale).release());
}

bool CTolvane32View::EnsureRendered()
{
    const wxSize size = GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return false;
    // A window moved to a screen of another scale gets a new picture at the
    // next render, before anything of the old one is shown there: the
    // toolkit repaints the whole window at a new scale.
    const int scale = DeviceScale();
    if (!m_table || m_tableSize != size || m_nTableScale != scale) {
        m_table.reset();  // before the new one: never two at once
        m_table = NewTableSurface(size, scale);
        if (!m_table)
            return false;
        m_tableSize = size;
        m_nTableScale = scale;
        m_bStale = true;
    }
    if (m_bStale) {
        Render(nullptr);
        m_bStale = false;
    }
    return true;
}

void CTolvane32View::Render(const CRect* rect)
{
    {
        CSurfaceDC dc(m_table.get(), m_nTableScale);
        if (rect != nullptr)
            dc.DC().SetClippingRegion(ToWx(*rect));
        OnDraw(dc.DC());
    }
    // The table holds what was drawn: the pictures are decoded again when
    // a render next needs them.
    m_pictures.ReleasePixels();
}

wxBitmap CTolvane32View::RenderedTable()
{
    wxBitmap copy;
    if (!EnsureRendered())
        return copy;
    copy.CreateWithDIPSize(m_tableSize, m_nTableScale, 24);
    CopySurface(copy.CairoCreate(), m_table.get());
    return copy;
}

void CTolvane32View::InvalidateRect(const CRect* rect)
{
    // Rendered at once, and only inside the area, so the off-screen picture
    // always holds exactly what the screen shows: the highlight the document
    // toggles and the background a falling card erases itself from both rely
    // on that.
    if (rect == nullptr) {
        m_bStale = true;
        EnsureRendered();
        Refresh();
        return;
    }
    if (rect->IsRectEmpty() || !EnsureRendered())
        return;
    Render(rect);
    RefreshRect(ToWx(*rect));
}

void CTolvane32View::Present(const CRect& rect)
{
    if (!rect.IsRectEmpty())
        RefreshRect(ToWx(rect));
    ShowNow();
}

void CTolvane32View::ShowNow()
{
    // On X11 the toolkit paints at once. On Wayland it hands a frame to the
    // compositor only from its frame clock, which runs in the main loop, and
    // a synchronous update does nothing: so the loop runs there until the
    // paint has happened. On both the loop runs for drawing and the window
    // system's requests alone: presses and keys on the game wait for the end
    // of the fall, and a close, from the window system or the title bar's
    // button, comes now, while the frame can still defer it, and not in the
    // dialog that may follow the fall.
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    wxWindow* top = wxGetTopLevelParent(this);
    GtkWidget* frame = top != nullptr ? top->GetHandle() : nullptr;
    const unsigned painted = m_nPaints;
    if (!m_bWayland)
        Update();
    // A window that is not on screen is never painted: give up after a while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    do {
        if (loop == nullptr || !loop->YieldFor(wxEVT_CATEGORY_UI))
            break;
        if (GTK_IS_WINDOW(frame))
            PassFrameInput(frame);
        if (m_nPaints == painted)
            wxMilliSleep(1);
    } while (m_bWayland && m_nPaints == painted && std::chrono::steady_clock::now() < deadline);
}

void CTolvane32View::OnPaint(wxPaintEvent&)
{
    ++m_nPaints;
    wxPaintDC dc(this);
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (gc == nullptr || !EnsureRendered())
        return;
    PaintDevicePixels(static_cast<cairo_t*>(gc->GetNativeContext()), m_table.get(), m_nTableScale);
}

void CTolvane32View::RefreshScoreLine()
{
    const CRect client = ClientRect();
    const CRect strip{client.left, client.bottom - m_nStripHeight, client.right, client.bottom};
    InvalidateRect(&strip);
}

void CTolvane32View::ShowRecords()
{
    const CRect client = ClientRect();
    const CRect strip{client.left, client.bottom - 2 * m_nStripHeight, client.right, client.bottom - m_nStripHeight};
    // Before the window is on screen its first paint draws the strip anyway.
    if (IsShownOnScreen())
        InvalidateRect(&strip);
    if (wxWindow* frame = wxGetTopLevelParent(this)) {
        frame->SetLabel(wxString::FromUTF8(
            FormatResString(IDS_APP_TITLE, m_doc.GetChamp().c_str(), m_doc.GetMaxPoint())));
    }
}

void CTolvane32View::ToggleHighlight(const CRect& rect)
{
    if (!EnsureRendered())
        return;
    {
        CSurfaceDC dc(m_table.get(), m_nTableScale);
        InvertRect(dc.DC(), rect);
    }
    Present(rect);
}

// ---------------------------------------------------------------- mouse play

void CTolvane32View::OnMouseDown(wxMouseEvent& event)
{
    OnLButtonDown(CPoint{event.GetX(), event.GetY()});
    event.Skip();
}

void CTolvane32View::OnLButtonDown(const CPoint& point)
{
    // The press with all it leads to: falls, messages, the record's name
    // and the start of the celebration.
    const CBusyGate::Scope busy(m_busy);
    const int hit = m_doc.OnLButtonDown(point);
    CRect stock;
    CRect waste;
    m_doc.GetPositionRect(POS_STOCK, &stock);
    m_doc.GetPositionRect(POS_WASTE, &waste);
    // A stock turn changes both piles; every other change was drawn already.
    if (hit == POS_STOCK)
        InvalidateRect(&stock);
    if (hit == POS_STOCK || hit == POS_WASTE)
        InvalidateRect(&waste);
    m_doc.CheckGameOver();
}

int CTolvane32View::ShowMessage(int stringId, unsigned style)
{
    return MessageBox(this, LoadResString(stringId), style);
}

void CTolvane32View::PostCommand(int commandId)
{
    wxQueueEvent(GetEventHandler(), new wxCommandEvent(wxEVT_MENU, commandId));
}

// ---------------------------------------------------------------- commands

void CTolvane32View::OnCommand(wxCommandEvent& event)
{
    switch (event.GetId()) {
    case ID_GAME_DEAL:
        OnDealCards();
        break;
    case ID_GAME_UNDO:
        OnUndo();
        break;
    case ID_GAME_CARDBACK:
        OnChangeCardBack();
        break;
    }
}

void CTolvane32View::OnUpdateUndo(wxUpdateUIEvent& event)
{
    event.Enable(m_doc.CanUndo());
}

void CTolvane32View::OnDealCards()
{
    m_doc.DealCards();
    PrefetchShown();
    InvalidateRect(nullptr);
}

void CTolvane32View::ForEachShownCard(const std::function<void(PictureId, const CRect&, bool)>& visit) const
{
    PictureId picture = 0;
    CRect rect;
    bool selected = false;
    m_doc.GetStockBitmap(&picture, &rect);
    visit(picture, rect, false);
    if (m_doc.GetPositionState(POS_WASTE) != PS_EMPTY) {
        m_doc.GetWasteBitmap(&picture, &rect, &selected);
        visit(picture, rect, selected);
    }
    // Rising order paints every row over the row above it.
    for (int index = 0; index < TRIANGLE_CARDS; ++index) {
        if (m_doc.GetPositionState(index + POS_TRIANGLE_FIRST) == PS_EMPTY)
            continue;
        m_doc.GetTriangleBitmap(index, &picture, &rect, &selected);
        visit(picture, rect, selected);
    }
}

void CTolvane32View::PrefetchShown()
{
    // In drawing order: the worker starts from the end, drawing from the start.
    std::vector<PictureId> ids;
    ForEachShownCard([&ids](PictureId picture, const CRect&, bool) { ids.push_back(picture); });
    m_pictures.Prefetch(ids, DeviceScale());
}

void CTolvane32View::OnUndo()
{
    m_doc.Undo();
    InvalidateRect(nullptr);
}

void CTolvane32View::OnChangeCardBack()
{
    {
        const CBusyGate::Scope busy(m_busy);
        m_host.ChooseCardBack(wxGetTopLevelParent(this));
    }
    // OK or cancel alike: the stock shows whatever back is current now.
    CRect stock;
    m_doc.GetPositionRect(POS_STOCK, &stock);
    InvalidateRect(&stock);
}

// ---------------------------------------------------------------- card motion

void CTolvane32View::AnimateCardFall(CCard card, const CRect& rect)
{
    // Only ever within the press that removed the card, whose scope covers
    // the event loop that every frame runs on Wayland for its drawing.
    m_host.PlayWave(card.IsJoker() ? IDR_SOUND_JOKER : IDR_SOUND_CARD);

    // The document has taken the card away already: its place shows what
    // lies beneath, and that picture is the background of the whole fall.
    InvalidateRect(&rect);
    // An empty rectangle would never move off the client: nothing to drop.
    if (rect.IsRectEmpty() || !EnsureRendered()) {
        ShowNow();
        return;
    }
    ShowNow();

    // The clean table beneath the card, kept where the table itself is.
    const int scale = m_nTableScale;
    const Surface background(cairo_surface_create_similar(m_table.get(), CAIRO_CONTENT_COLOR, m_tableSize.x * scale,
                                                          m_tableSize.y * scale));
    CopySurface(cairo_create(background.get()), m_table.get());
    const PictureId face = m_doc.Images().FaceImage(card.GetCode());
    const CRect client = ClientRect();
    const int w = rect.Width();
    const int h = rect.Height();
    CFramePacer pacer(std::chrono::milliseconds(m_nFallFrameMillis), CFramePacer::Clock::now());
    CRect previous;
    int y = rect.top;
    for (;;) {
        const CRect current{rect.left, y, rect.left + w, y + h};
        bool gone = false;
        {
            const std::unique_ptr<cairo_t, void (*)(cairo_t*)> table(cairo_create(m_table.get()), cairo_destroy);
            cairo_t* cr = table.get();
            cairo_scale(cr, scale, scale);
            if (!previous.IsRectEmpty()) {
                const CRect restore = Intersect(previous, client);
                if (!restore.IsRectEmpty()) {
                    cairo_save(cr);
                    cairo_rectangle(cr, restore.left, restore.top, restore.Width(), restore.Height());
                    cairo_clip(cr);
                    PaintDevicePixels(cr, background.get(), scale);
                    cairo_restore(cr);
                }
                gone = IsRectOffClient(previous);
            }
            // A plain rectangular copy: on the move, the white corners show.
            // Drawn before the erase is presented, so the erase already holds
            // the card's new part and nothing flickers.
            if (!gone)
                m_pictures.Draw(cr, face, current.left, current.top, CPictureCache::PictureScale(scale));
        }
        if (!previous.IsRectEmpty())
            RefreshRect(ToWx(previous));
        if (gone) {
            ShowNow();
            break;
        }
        Present(current);
        if (m_fallObserver)
            m_fallObserver(current);
        if (m_nFallFrameMillis > 0)
            pacer.Wait();
        y += kFallStep;
        previous = current;
    }
}

// ---------------------------------------------------------------- music and celebration

void CTolvane32View::StartCelebration()
{
    CloseCelebration();
    // The score strip stays visible below the celebration, final score and all.
    const CRect client = ClientRect();
    const wxRect area(0, 0, client.Width(), std::max(client.Height() - m_nStripHeight, 0));

    m_host.PlayMusic();

    m_pClearAnimWnd = new CClearAnimWnd(*this);
    m_pClearAnimWnd->Create(this, area);
}

void CTolvane32View::OnCelebrationClosed(wxWindow* wnd, bool dealAgain)
{
    if (wnd == m_pClearAnimWnd)
        m_pClearAnimWnd = nullptr;
    if (dealAgain)
        PostCommand(ID_GAME_DEAL);
    // The record strip may have changed beneath the window (a new fastest
    // clear); show the table as it is now.
    InvalidateRect(nullptr);
}

void CTolvane32View::StopMusic()
{
    m_host.StopMusic();
}

void CTolvane32View::OnMciNotify()
{
    m_host.CloseMusic();
}

int CTolvane32View::Bonus() const
{
    return m_doc.GetBonus();
}

int CTolvane32View::ClearSeconds() const
{
    return m_doc.ClearSeconds();
}

const CCardImageSet& CTolvane32View::Images() const
{
    return m_doc.Images();
}

void CTolvane32View::DrawCard(wxDC& dc, PictureId picture, const CRect& rect)
{
    DrawCardBitmap(dc, m_pictures, picture, rect);
}

int CTolvane32View::MessageBox(wxWindow* owner, const std::string& text, unsigned style)
{
    // Every message box of the game comes through here: the document's, the
    // celebration's and the frame's exit question.
    const CBusyGate::Scope busy(m_busy);
    return m_host.MessageBox(owner, text, style);
}

IRandom& CTolvane32View::Random()
{
    return m_host.Random();
}
