// The playable table: the one view of the document.
//
// Paints the green table with the stock, the waste and the triangle, and the
// two text strips along the bottom (fastest clear; bonus and score). Turns
// each left press into at most one document operation, runs the deal, undo
// and card-back commands, drops removed cards out of the window and starts
// the celebration after a clear. It owns no game state: everything it draws
// it asks of the document at paint time.
//
// Everything is drawn into an off-screen copy of the client area, and the
// paint handler only presents it. The toolkit cannot invert pixels on screen,
// and the falling card needs a clean picture of the table to erase itself
// from; both work on this copy. An invalidated area is rendered into the copy
// at once and then presented, so the copy always holds what the screen shows.
// The toolkit's own double buffer lasts one paint, and the document cannot
// stand in for the copy: while the first card of a pair falls, the screen
// still shows the second card and the old score, which the document has
// already taken away.
//
// The copy has the window's own device resolution: on a high-density screen
// (toolkit scale 2 or 3) it holds that many device pixels per logical pixel,
// and pictures, outlines and text are drawn into it at that resolution.
// Every position, size and hit rectangle stays in logical pixels. It is made
// like the window's own pixels: on X11 it lives in the display server beside
// the window, so presenting it copies nothing through the program and the
// program keeps no second table in its own memory.
#pragma once

#include <functional>
#include <memory>

#include <wx/bitmap.h>
#include <wx/window.h>

#include "celebration/AnimRunState.h"
#include "celebration/CelebrationHost.h"
#include "model/HostServices.h"
#include "model/Rect.h"
#include "view/BusyGate.h"
#include "view/ViewHost.h"

class CTolvane32Doc;
class CClearAnimWnd;
class CPictureCache;
class wxDC;
class wxRegion;
typedef struct _cairo_surface cairo_surface_t;

class CTolvane32View : public wxWindow, public IDocView, public ICelebrationHost {
public:
    // Creates the view window as a child of parent, filling its client area.
    CTolvane32View(wxWindow* parent, CTolvane32Doc& doc, CPictureCache& pictures, IViewHost& host);
    ~CTolvane32View() override;

    CTolvane32Doc& GetDocument() const { return m_doc; }

    // --- drawing
    // Paints the whole table, strips included, into dc.
    void OnDraw(wxDC& dc);
    // Draws a picture into rect, clipped to the card outline with its four
    // cut corners (2 top left, 5 bottom left, 3 bottom right, 4 top right
    // logical pixels), picture and outline for the resolution of dc from the
    // cache; a missing picture draws nothing.
    static void DrawCardBitmap(wxDC& dc, const CPictureCache& pictures, PictureId picture, const CRect& rect);
    // Inverts the colours of rect on dc (twice gives the original back).
    static void InvertRect(wxDC& dc, const CRect& rect);
    // The height of each text strip: one line of the interface font.
    int StripHeight() const { return m_nStripHeight; }
    // A copy of the off-screen picture of the client area, rendered up to
    // date at the window's scale (its size in device pixels is the client
    // size times it).
    wxBitmap RenderedTable();
    // Renders the area (null: the whole client) as the document now has it
    // and repaints it on screen.
    void InvalidateRect(const CRect* rect);

    // --- commands
    void OnDealCards();
    void OnUndo();
    void OnChangeCardBack();

    // --- mouse play
    void OnLButtonDown(const CPoint& point);

    // --- music and the celebration
    // The tune has ended or was stopped: close the device.
    void OnMciNotify();
    CClearAnimWnd* GetCelebrationWindow() const { return m_pClearAnimWnd; }

    // --- IDocView
    void ToggleHighlight(const CRect& rect) override;
    int ShowMessage(int stringId, unsigned style) override;
    void AnimateCardFall(CCard card, const CRect& rect) override;
    void RefreshScoreLine() override;
    // The record strip, and the caption of the window the view lies in.
    void ShowRecords() override;
    void StartCelebration() override;
    void PostCommand(int commandId) override;

    // --- ICelebrationHost
    int Bonus() const override;
    int ClearSeconds() const override;
    const CCardImageSet& Images() const override;
    void DrawCard(wxDC& dc, PictureId picture, const CRect& rect) override;
    int MessageBox(wxWindow* owner, const std::string& text, unsigned style) override;
    void StopMusic() override;
    void OnCelebrationClosed(wxWindow* wnd, bool dealAgain) override;
    IRandom& Random() override;
    CAnimRunState& RunState() override { return m_runState; }

    // Called after every frame of a falling card has been presented, with
    // the card's rectangle in that frame (benchmarks and tests watch it).
    void SetFallFrameObserver(std::function<void(const CRect&)> observer) { m_fallObserver = std::move(observer); }
    // Pause between frames of the falling card, in milliseconds (0: none).
    void SetFallFrameMillis(int millis) { m_nFallFrameMillis = millis; }

    // Every press, falling card and dialog of the game runs inside a scope
    // of this gate: the frame lets no close run in the middle of them.
    CBusyGate& Busy() { return m_busy; }

    // The whole client area.
    CRect ClientRect() const;
    // True when no corner of rect lies inside the client area.
    bool IsRectOffClient(const CRect& rect) const;

private:
    struct SurfaceDestroy {
        void operator()(cairo_surface_t* surface) const;
    };
    using Surface = std::unique_ptr<cairo_surface_t, SurfaceDestroy>;

    void OnPaint(wxPaintEvent& event);
    void OnMouseDown(wxMouseEvent& event);
    void OnCommand(wxCommandEvent& event);
    void OnUpdateUndo(wxUpdateUIEvent& event);

    // Shows the area of the off-screen picture on screen at once.
    void Present(const CRect& rect);
    // Puts everything refreshed so far on the screen before returning.
    void ShowNow();
    // (Re)creates the off-screen picture for the client size and the
    // window's scale and renders it when stale; false when the client area
    // has no pixels.
    bool EnsureRendered();
    // Draws the area (null: all) of the table as the document now has it
    // into the off-screen picture.
    void Render(const CRect* rect);
    // Device pixels per logical pixel of the window now: 1, 2, 3...
    int DeviceScale() const;
    // A surface for the off-screen table of size at scale, in device pixels.
    Surface NewTableSurface(const wxSize& size, int scale);
    void DrawStrips(wxDC& dc, const CRect& client);
    void DrawStripsOn(wxDC& dc, const CRect& client);
    // Calls visit with the picture, place and highlight of every card the
    // table shows, in painting order: stock, waste, then the triangle.
    void ForEachShownCard(const std::function<void(PictureId, const CRect&, bool)>& visit) const;
    // Hands the pictures the table shows now to the picture cache's worker.
    void PrefetchShown();
    void CloseCelebration();

    CTolvane32Doc& m_doc;
    CPictureCache& m_pictures;
    IViewHost& m_host;
    CClearAnimWnd* m_pClearAnimWnd = nullptr;
    CBusyGate m_busy;
    // The wander and the bounce carry on from one celebration to the next.
    CAnimRunState m_runState;
    // The off-screen table in device pixels, its client size and scale.
    Surface m_table;
    wxSize m_tableSize;
    int m_nTableScale = 0;
    bool m_bStale = true;
    const bool m_bWayland;
    unsigned m_nPaints = 0;  // paints so far: ShowNow waits for the next one
    int m_nStripHeight = 0;
    int m_nFallFrameMillis;
    std::function<void(const CRect&)> m_fallObserver;
};
