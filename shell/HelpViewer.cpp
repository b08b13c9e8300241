// The help viewer: the how-to-play window in a program of its own.
//
// The game starts it on the first help command with its standard input on
// a line of their own (see HelpProcess.h). Each "contents SCREEN TOKEN"
// request opens or raises the window and is answered "shown"; the program
// ends when its window closes or the line does, whichever comes first.
#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>

#include <glib-unix.h>
#include <unistd.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/html/helpctrl.h>
#include <wx/log.h>

#include "shell/HelpWindow.h"
#include "shell/Toolkit.h"

// GDK's X11 header last: Xlib's macros would clash with the toolkit's names.
#include <gdk/gdkwayland.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

class CHelpViewerApp : public wxApp {
public:
    CHelpViewerApp()
    {
        // The desktop counts the help among the game's windows.
        SetAppName("tolvane32");
        SetClassName("tolvane32");
    }

    bool Initialize(int& argCount, wxChar** args) override
    {
        return InitializeToolkit([&] { return wxApp::Initialize(argCount, args); });
    }

    bool OnInit() override
    {
        delete wxLog::SetActiveTarget(new wxLogStderr);
        // An answer to a game that has gone is no reason to be killed.
        std::signal(SIGPIPE, SIG_IGN);
        // Closed by the player: the window has gone already, the program follows.
        m_help = std::make_unique<CHelpWindow>([this] { ExitMainLoop(); });
        m_requests = g_unix_fd_add(
            STDIN_FILENO, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
            [](gint, GIOCondition, gpointer self) -> gboolean {
                return static_cast<CHelpViewerApp*>(self)->ReadRequests() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
            },
            this);
        return true;
    }

    int OnExit() override
    {
        if (m_requests != 0)
            g_source_remove(m_requests);
        m_help.reset();
        return wxApp::OnExit();
    }

private:
    // Serves the complete requests that have come; false once the line has
    // closed, when the program ends.
    bool ReadRequests()
    {
        char buffer[256];
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            m_requests = 0;
            Quit();
            return false;
        }
        m_pending.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = m_pending.find('\n')) != std::string::npos; m_pending.erase(0, end + 1)) {
            const std::string request = m_pending.substr(0, end);
            if (request.rfind("contents", 0) != 0)
                continue;
            // "contents SCREEN TOKEN"
            const size_t token = request.find(' ', 9);
            const bool open = m_help->Controller() != nullptr && m_help->Controller()->GetFrame() != nullptr;
            if (token != std::string::npos)
                Present(request.substr(token + 1), open);
            m_help->DisplayContents(std::atoi(request.c_str() + 8));
            if (wxFrame* frame = m_help->Controller()->GetFrame())
                frame->Raise();
            // Answered once the display server has the window.
            gdk_display_sync(gdk_display_get_default());
            static const char kShown[] = "shown\n";
            (void)!write(STDIN_FILENO, kShown, sizeof kShown - 1);
        }
        return true;
    }

    // Hands the window system the game's token for the window: an open one
    // takes it at once, a new one from the display when it first shows.
    void Present(const std::string& token, bool open)
    {
        if (token.empty())
            return;
        if (open) {
            gtk_window_set_startup_id(GTK_WINDOW(m_help->Controller()->GetFrame()->GetHandle()), token.c_str());
            return;
        }
        GdkDisplay* display = gdk_display_get_default();
        if (GDK_IS_X11_DISPLAY(display))
            gdk_x11_display_set_startup_notification_id(display, token.c_str());
        else if (GDK_IS_WAYLAND_DISPLAY(display))
            gdk_wayland_display_set_startup_notification_id(display, token.c_str());
    }

    // Takes the window down, if open, and leaves the event loop.
    void Quit()
    {
        m_help.reset();
        ExitMainLoop();
    }

    std::unique_ptr<CHelpWindow> m_help;
    guint m_requests = 0;
    std::string m_pending;
};

wxIMPLEMENT_APP(CHelpViewerApp);
