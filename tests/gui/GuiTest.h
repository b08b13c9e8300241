// What the toolkit tests share: pixels of a picture, and running the event
// loop until something has happened instead of sleeping.
#pragma once

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/window.h>

#include "tests/unit/Fakes.h"
#include "view/PictureCache.h"

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

// The title of the how-to-play window, in the game's process or the help viewer's.
inline wxString HelpTitle() { return wxString::FromUTF8("KadorinTolvane３２の遊び方"); }
// The shown top-level X windows on the display with the title, of whatever program: the help viewer's too.
std::vector<unsigned long> WindowsTitled(const wxString& title);
// What a window manager's close box sends to a window of any program.
void CloseBox(unsigned long window);

// The pixels of the window's client area (or of area in it) as the display
// server has them: what was painted, not what the program believes it painted.
inline wxImage OnScreen(wxWindow* window, wxRect area = wxRect())
{
    area = area.IsEmpty() ? wxRect(window->GetClientSize()) : area;
    GdkPixbuf* pixbuf =  // the bitmap takes it over
        gdk_pixbuf_get_from_window(window->GTKGetDrawingWindow(), area.x, area.y, area.width, area.height);
    return pixbuf != nullptr ? wxBitmap(pixbuf).ConvertToImage() : wxImage(area.width, area.height);
}

// A dialog stands centred over its owner, or the screen without one; its controls lie inside it and none over
// another; each pair of windows given shares its edges: left and width (a column), or top and height (a row).
inline void CheckLayout(wxWindow* dialog, std::vector<std::pair<wxWindow*, wxWindow*>> columns,
                        std::vector<std::pair<wxWindow*, wxWindow*>> rows = {})
{
    const wxRect owner = dialog->GetParent() ? dialog->GetParent()->GetScreenRect() : wxDisplay(dialog).GetClientArea();
    const wxPoint off =
        dialog->GetScreenRect().GetPosition() * 2 + dialog->GetSize() - owner.GetPosition() * 2 - owner.GetSize();
    EXPECT_LE(std::abs(off.x) + std::abs(off.y), 2) << off.x << "," << off.y;
    const wxWindowList& controls = dialog->GetChildren();
    for (auto a = controls.begin(); a != controls.end(); ++a) {
        EXPECT_TRUE(wxRect(dialog->GetClientSize()).Contains((*a)->GetRect())) << (*a)->GetLabel();
        for (auto b = std::next(a); b != controls.end(); ++b)
            EXPECT_FALSE((*a)->GetRect().Intersects((*b)->GetRect())) << (*a)->GetLabel() << " " << (*b)->GetLabel();
    }
    for (auto [a, b] : columns)
        EXPECT_TRUE(a->GetPosition().x == b->GetPosition().x && a->GetSize().x == b->GetSize().x) << a->GetLabel();
    for (auto [a, b] : rows)
        EXPECT_TRUE(a->GetPosition().y == b->GetPosition().y && a->GetSize().y == b->GetSize().y) << a->GetLabel();
}

// The built-in pictures and the image set over them, with settings of the test's own.
struct Loaded {
    explicit Loaded(std::map<std::string, std::string> stored = {})
    {
        settings.values = std::move(stored);
        pictures.LoadAll(), images.LoadImages(pictures, settings);
    }
    fakes::Journal journal;
    fakes::FakeSettings settings{journal};
    CPictureCache pictures;
    CCardImageSet images;
};
