#include "ClearAnimWnd.h"

#include <algorithm>

#include <cairo.h>
#include <gdk/gdk.h>

#include <wx/dcclient.h>
#include <wx/dcgraph.h>
#include <wx/graphics.h>
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

void CClearAnimWnd::SurfaceRelease::operator()(cairo_surface_t* surface) const {
    cairo_surface_destroy(surface);
}

void CClearAnimWnd::FitCloth() {
    const wxSize client = GetClientSize();
    const wxSize size(std::max(client.x, 1), std::max(client.y, 1));
    const int scale = WholeScale(GetContentScaleFactor());
    if (m_cloth && m_clothSize == size && m_clothScale == scale)
        return;
    // The toolkit makes it in logical pixels, scale device pixels each.
    cairo_surface_t* cloth = nullptr;
    if (GdkWindow* window = GTKGetDrawingWindow()) {
        cloth = gdk_window_create_similar_surface(window, CAIRO_CONTENT_COLOR, size.x, size.y);
        double x = 0;
        double y = 0;
        cairo_surface_get_device_scale(cloth, &x, &y);
        if (x != scale || y != scale) {
            cairo_surface_destroy(cloth);
            cloth = nullptr;
        }
    }
    if (cloth == nullptr)
        cloth = cairo_image_surface_create(CAIRO_FORMAT_RGB24, size.x * scale, size.y * scale);
    // Device pixels throughout: the cards are drawn as onto a bitmap of the
    // window's scale.
    cairo_surface_set_device_scale(cloth, 1, 1);
    cairo_t* cr = cairo_create(cloth);
    const wxColour colour = ClothColour();
    cairo_set_source_rgb(cr, colour.Red() / 255.0, colour.Green() / 255.0, colour.Blue() / 255.0);
    cairo_paint(cr);
    // The trail so far, resampled: only the cards drawn from now on get the
    // new resolution.
    if (m_cloth) {
        cairo_scale(cr, double(scale) / m_clothScale, double(scale) / m_clothScale);
        cairo_set_source_surface(cr, m_cloth.get(), 0, 0);
        cairo_paint(cr);
    }
    cairo_destroy(cr);
    m_cloth.reset(cloth);
    m_clothSize = size;
    m_clothScale = scale;
}

wxBitmap CClearAnimWnd::Cloth() const {
    if (!m_cloth)
        return {};
    const int width = m_clothSize.x * m_clothScale;
    const int height = m_clothSize.y * m_clothScale;
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, m_cloth.get(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(copy);
    wxImage image(width, height);
    const unsigned char* data = cairo_image_surface_get_data(copy);
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + y * cairo_image_surface_get_stride(copy));
        for (int x = 0; x < width; ++x)
            image.SetRGB(x, y, (row[x] >> 16) & 255, (row[x] >> 8) & 255, row[x] & 255);
    }
    cairo_surface_destroy(copy);
    return wxBitmap(image, -1, m_clothScale);
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
    // As onto a bitmap of the window's scale: logical pixels of scale
    // device pixels each.
    cairo_t* cr = cairo_create(m_cloth.get());
    cairo_scale(cr, m_clothScale, m_clothScale);
    {
        wxGraphicsContext* gc = wxGraphicsContext::CreateFromNative(cr);
        gc->SetContentScaleFactor(m_clothScale);
        wxGCDC dc(gc);  // which takes the context down with it, before cr
        m_host.DrawCard(dc, m_motion.Image(), card);
    }
    cairo_destroy(cr);
    RefreshRect(wxRect(card.left, card.top, card.Width(), card.Height()));
}

void CClearAnimWnd::OnTimer(wxTimerEvent& /*event*/) {
    PlayFrame();
}

void CClearAnimWnd::OnPaint(wxPaintEvent& /*event*/) {
    wxPaintDC dc(this);
    FitCloth();
    // Every device context of the toolkit draws with cairo.
    wxGraphicsContext* gc = dc.GetGraphicsContext();
    if (gc == nullptr)
        return;
    // One device pixel of the cloth onto one of the window's.
    auto* cr = static_cast<cairo_t*>(gc->GetNativeContext());
    cairo_save(cr);
    cairo_scale(cr, 1.0 / m_clothScale, 1.0 / m_clothScale);
    cairo_set_source_surface(cr, m_cloth.get(), 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
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
