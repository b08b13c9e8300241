// The celebration window that a clear opens over the table.
//
// A child of the view covering the table and the record strip. Ten times a
// second it draws one card back where the motion (CAnimMotion) puts it and
// never erases, so the card leaves a trail on the dark green cloth. It holds
// the mouse: the next left press anywhere in the program stops the tune,
// shows the bonus and the clear time, offers a new deal and closes the
// window.
//
// The trail is kept in an off-screen picture of the window, because drawing
// on the screen outside a paint handler does not reliably show on every
// display server; each tick draws into the picture and asks for the card's
// rectangle to be repainted from it. The picture has the window's device
// resolution, so the trail is as sharp as the screen allows; should the
// window's scale change (the toolkit then repaints it whole), the trail so
// far is carried over into a picture of the new scale at the next paint.
#pragma once

#include <wx/bitmap.h>
#include <memory>

#include <wx/window.h>
// After the window header: the timer's own header does not pull in events.
#include <wx/timer.h>

#include "celebration/AnimMotion.h"
#include "celebration/CelebrationHost.h"

typedef struct _cairo_surface cairo_surface_t;

class CClearAnimWnd : public wxWindow {
public:
    explicit CClearAnimWnd(ICelebrationHost& host);
    ~CClearAnimWnd() override;

    // Creates the window as a visible child of parent (the view) over rect
    // (parent client coordinates), takes the mouse and starts the 100 ms
    // tick.
    void Create(wxWindow* parent, const wxRect& rect);

    // One tick: moves the card and draws it.
    void PlayFrame();

    // The congratulation message with the bonus and the clear time;
    // IDOK or IDCANCEL.
    int AskNewDeal();

    // The trail as drawn so far, read back at the window's scale (tests
    // look at its pixels); not valid before the first paint or tick.
    wxBitmap Cloth() const;
    const CAnimMotion& Motion() const { return m_motion; }
    // 1 while the tick runs, 0 when the timer could not be started.
    unsigned TimerID() const { return m_nTimerID; }

    // The cloth colour, one step of blue off the table green.
    static wxColour ClothColour() { return wxColour(0, 127, 1); }

private:
    void OnTimer(wxTimerEvent& event);
    void OnLButtonDown(wxMouseEvent& event);
    void OnPaint(wxPaintEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    // Makes the cloth match the window's size and scale, keeping the trail.
    void FitCloth();
    // Lets go of the mouse and stops the tick.
    void StopAll();

    ICelebrationHost& m_host;
    wxTimer m_timer;
    unsigned m_nTimerID = 0;
    // In device pixels. On X11 a pixmap of the display's: the trail stays
    // with the X server, and a paint is a copy there; only each new card
    // crosses to it. (An image the size of the window crossed at every
    // full paint, through shared memory that stays the program's for the
    // rest of the run.) Elsewhere an image in memory.
    struct SurfaceRelease {
        void operator()(cairo_surface_t* surface) const;
    };
    std::unique_ptr<cairo_surface_t, SurfaceRelease> m_cloth;
    wxSize m_clothSize;
    int m_clothScale = 0;
    CAnimMotion m_motion;
    bool m_bAsking = false;  // the closing question is open
};
