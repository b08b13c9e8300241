#include "WindowsGone.h"

#include <malloc.h>

#include <utility>

#include <wx/window.h>

CWindowsGone::CWindowsGone(std::function<void()> giveBack) : m_giveBack(std::move(giveBack))
{
    wxEvtHandler::AddFilter(this);
}

CWindowsGone::~CWindowsGone()
{
    wxEvtHandler::RemoveFilter(this);
}

int CWindowsGone::FilterEvent(wxEvent& event)
{
    if (event.GetEventType() != wxEVT_DESTROY || m_queued)
        return Event_Skip;
    const auto* window = wxDynamicCast(event.GetEventObject(), wxWindow);
    if (window != nullptr && window->IsTopLevel() && window != m_main) {
        // The event comes as the window starts to go; its widgets are freed
        // only after it. A dialog's children going with it ask nothing more.
        m_queued = true;
        m_later.CallAfter([this] {
            m_queued = false;
            m_giveBack();
        });
    }
    return Event_Skip;
}

void CWindowsGone::TrimHeap()
{
    malloc_trim(0);
}
