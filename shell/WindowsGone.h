// What a closed dialog or help window leaves behind.
//
// A window the game opens now and then (a message box, the record's name,
// About, the card backs, the help) frees its widgets when it goes, but the
// allocator keeps the pages they leave empty for the next use, minutes away
// if ever. So once a top-level window other than the main one has gone, the
// heap gives them back.
//
// Pango's fonts for such a window's text stay: dropping Pango's cache makes
// the windows that still show text map their fonts a second time, which
// costs more than the fonts of the closed window.
#pragma once

#include <functional>

#include <wx/event.h>
#include <wx/eventfilter.h>

class CWindowsGone : public wxEventFilter {
public:
    // Watches every window of the program while it lives. giveBack: what
    // runs once such a window has gone (the heap's trim; a test's own).
    explicit CWindowsGone(std::function<void()> giveBack = &TrimHeap);
    ~CWindowsGone() override;
    CWindowsGone(const CWindowsGone&) = delete;
    CWindowsGone& operator=(const CWindowsGone&) = delete;

    // The window whose end is the program's: no clean-up follows it.
    void SetMainWindow(const wxWindow* main) { m_main = main; }
    int FilterEvent(wxEvent& event) override;

    static void TrimHeap();

private:
    std::function<void()> m_giveBack;
    const wxWindow* m_main = nullptr;
    // Runs the clean-up once the window's destruction has finished; its
    // calls still waiting go with it.
    wxEvtHandler m_later;
    bool m_queued = false;
};
