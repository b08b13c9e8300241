// What the toolkit tests share: pixels of a picture, and running the event
// loop until something has happened instead of sleeping.
#pragma once

#include <chrono>
#include <cstring>
#include <functional>
#include <ostream>

#include <wx/app.h>
#include <wx/colour.h>
#include <wx/evtloop.h>
#include <wx/image.h>

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
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    return true;
}
