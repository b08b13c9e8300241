#include "shell/HelpProcess.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>

#include <sys/socket.h>
#include <unistd.h>

#include <glib-unix.h>
#include <glib.h>

struct CHelpProcess::Viewer {
    CHelpProcess* owner = nullptr;
    GPid pid = 0;
    int line = -1;          // the game's end of the line
    guint ended = 0;        // the watch on the process
    guint replies = 0;      // the watch on its answers
    int unanswered = 0;     // requests not yet answered
    bool answered = false;  // it has shown its window at least once
    int screen = 0;         // the screen of the last request
    std::string token;      // and its token

    ~Viewer()
    {
        if (replies != 0)
            g_source_remove(replies);
        if (ended != 0)
            g_source_remove(ended);
        if (line >= 0)
            close(line);
    }

    // Counts the answers that have arrived; false once the viewer has
    // closed its end.
    bool ReadReplies()
    {
        char buffer[64];
        for (;;) {
            const ssize_t got = recv(line, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) {
                for (ssize_t i = 0; i < got; ++i)
                    if (buffer[i] == '\n' && unanswered > 0) {
                        --unanswered;
                        answered = true;
                    }
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
    }
};

CHelpProcess::CHelpProcess(std::string viewer) : m_program(std::move(viewer)) {}

CHelpProcess::~CHelpProcess() = default;

std::string CHelpProcess::ViewerFor(const std::string& program)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(program).parent_path();
    const fs::path beside = folder / "tolvane32-help";
    const fs::path installed = (folder.parent_path() / "libexec/tolvane32/tolvane32-help").lexically_normal();
    std::error_code error;
    return (fs::exists(beside, error) ? beside : installed).string();
}

bool CHelpProcess::IsShowing() const
{
    return m_viewer && m_viewer->answered && m_viewer->unanswered == 0;
}

bool CHelpProcess::DisplayContents(int screen, const std::string& token)
{
    if (!m_viewer && !Start())
        return false;
    // One line, whatever a token holds.
    const bool plain = token.find_first_of(" \n") == std::string::npos;
    const std::string request = "contents " + std::to_string(screen) + (plain ? " " + token : "") + "\n";
    m_viewer->screen = screen;
    m_viewer->token = token;
    ++m_viewer->unanswered;
    // A viewer whose window has just closed may be gone already: then the
    // request stays unanswered, and its end starts the next viewer.
    (void)send(m_viewer->line, request.data(), request.size(), MSG_NOSIGNAL);
    return true;
}

bool CHelpProcess::Start()
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        std::perror("tolvane32: help");
        return false;
    }
    gchar* argv[] = {const_cast<gchar*>(m_program.c_str()), nullptr};
    GPid pid = 0;
    GError* error = nullptr;
    // Its standard input is the line; the rest it shares with the game.
    const gboolean started =
        g_spawn_async_with_pipes_and_fds(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, ends[1],
                                         -1, -1, nullptr, nullptr, 0, &pid, nullptr, nullptr, nullptr, &error);
    close(ends[1]);
    if (!started) {
        std::fprintf(stderr, "tolvane32: ヘルプを開けません (%s)\n", error->message);
        g_error_free(error);
        close(ends[0]);
        return false;
    }
    m_viewer = std::make_unique<Viewer>();
    m_viewer->owner = this;
    m_viewer->pid = pid;
    m_viewer->line = ends[0];
    m_viewer->ended = g_child_watch_add(
        pid,
        [](GPid, gint status, gpointer data) {
            auto* viewer = static_cast<Viewer*>(data);
            viewer->ended = 0;  // the watch goes with this call
            viewer->owner->OnViewerEnded(status);
        },
        m_viewer.get());
    m_viewer->replies = g_unix_fd_add(
        ends[0], static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
        [](gint, GIOCondition, gpointer data) -> gboolean {
            auto* viewer = static_cast<Viewer*>(data);
            if (viewer->ReadReplies())
                return G_SOURCE_CONTINUE;
            viewer->replies = 0;  // its end closed: the process watch waits for the rest
            return G_SOURCE_REMOVE;
        },
        m_viewer.get());
    return true;
}

void CHelpProcess::OnViewerEnded(int status)
{
    g_spawn_close_pid(m_viewer->pid);
    m_viewer->ReadReplies();
    // A request it never saw: its window had closed just before. A viewer
    // that failed, or never answered at all, is not tried again.
    const bool again = m_viewer->unanswered > 0 && m_viewer->answered && g_spawn_check_wait_status(status, nullptr);
    const int screen = m_viewer->screen;
    const std::string token = m_viewer->token;  // still good: the viewer never read its request
    m_viewer.reset();
    if (again)
        DisplayContents(screen, token);
}
