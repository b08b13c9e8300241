// What the toolkit tests share: pixels of a picture, and running the event
// loop until something has happened instead of sleeping.
#pragma once

#include <chrono>
#include <cstring>
#include <functional>
#include <ostream>

#include <gtk/gtk.h>

#include <wx/app.h>
#include <wx/colour.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/window.h>

inline void PrintTo(const wxColour& c, std::ostream* os) { *os << c.GetAsString(wxC2S_CSS_SYNTAX); }
inline wxColour Pixel(const wxImage& i, int x, int y) { return {i.GetRed(x, y), i.GetGreen(x, y), i.GetBlue(x, y)}; }

inline bool Same(const wxImage& a, const wxImage& b)
{
    return a.GetSize() == b.GetSize() && std::memcmp(a.GetData(), b.GetData(), 3 * a.GetWidth() * a.GetHeight()) == 0;
}

// Dispatches events until done() holds; false when it did not in time.
inline bool PumpUntil(const std::function<bool()>& done, int millis = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        wxEventLoopBase::GetActive()->DispatchTimeout(10);  // the next event, or 10 ms without one
        while (wxTheApp->Pending())  // and all that is ready: done() may be slow to ask
            wxTheApp->Dispatch();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    return true;
}

// The pixels of the window's client area (or of area in it) as the display
// server has them: what was painted, not what the program believes it painted.
inline wxImage OnScreen(wxWindow* window, wxRect area = wxRect())
{
    area = area.IsEmpty() ? wxRect(window->GetClientSize()) : area;
    wxImage image(area.width, area.height);
    if (GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(window->GTKGetDrawingWindow(), area.x, area.y, area.width,
                                                       area.height)) {
        const int stride = gdk_pixbuf_get_rowstride(pixbuf), channels = gdk_pixbuf_get_n_channels(pixbuf);
        unsigned char* out = image.GetData();
        for (int y = 0; y < area.height; ++y)
            for (int x = 0; x < area.width; ++x, out += 3)
                std::memcpy(out, gdk_pixbuf_get_pixels(pixbuf) + y * stride + x * channels, 3);
        g_object_unref(pixbuf);
    }
    return image;
}
