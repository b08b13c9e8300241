// Helpers of the dialog tests: the toolkit's own idea of the focused
// control (which holds whether or not the test display gives the window the
// input focus), and running pending events.
#pragma once

#include <dlfcn.h>

#include <wx/app.h>
#include <wx/toplevel.h>
#include <wx/window.h>

// True when the control is its window's focus widget. The toolkit's
// function is looked up in the loaded GTK library, so the tests need no
// GTK development files.
inline bool HasWindowFocus(wxWindow* control)
{
    using GetFocusFn = void* (*)(void*);
    using IsAncestorFn = int (*)(void*, void*);
    static auto getFocus = reinterpret_cast<GetFocusFn>(dlsym(RTLD_DEFAULT, "gtk_window_get_focus"));
    static auto isAncestor = reinterpret_cast<IsAncestorFn>(dlsym(RTLD_DEFAULT, "gtk_widget_is_ancestor"));
    if (getFocus == nullptr || isAncestor == nullptr)
        return false;
    wxWindow* top = wxGetTopLevelParent(control);
    void* focus = getFocus(top->GetHandle());
    if (focus == nullptr)
        return false;
    void* handle = control->GetHandle();
    // A control's focus widget may be its handle or a child of it.
    return focus == handle || isAncestor(focus, handle) != 0;
}

inline void RunPendingEvents()
{
    for (int i = 0; i < 5; ++i) {
        wxTheApp->Yield(true);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
}
