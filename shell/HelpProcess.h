// The help viewer as the game sees it: a program of its own, started on the
// first help command and asked over a line on its standard input.
//
// The how-to-play window needs the toolkit's HTML view, its notebook and
// their fonts, megabytes that a process keeps once it has used them. In a
// process of its own the help gives all of it back when its window closes,
// and the game stays as light through an evening as at its start. As with
// the first host's help, the window goes when the game goes: the viewer
// ends when the line closes, however the game ended.
//
// On the line, the game writes "contents SCREEN TOKEN\n" for each help
// command; the viewer shows its window (or raises it) and answers "shown\n".
// The token, from the window system, lets a window of another program come
// to the front at the player's request: a startup notification id on X11,
// an activation token on Wayland (none: the window system decides). A
// viewer ends by itself when its window closes. A request that was still on
// its way then goes unanswered, and the game starts the viewer anew for it,
// once: a viewer that ends without ever answering is not started again.
#pragma once

#include <memory>
#include <string>

class CHelpProcess {
public:
    // viewer: the help viewer's program file.
    explicit CHelpProcess(std::string viewer);
    // Closes the line: a running viewer closes its window and ends.
    ~CHelpProcess();
    CHelpProcess(const CHelpProcess&) = delete;
    CHelpProcess& operator=(const CHelpProcess&) = delete;

    // Where the viewer of the game's program file is: beside it (a build
    // folder) or in ../libexec/tolvane32 (installed, from bin or games).
    // The first that exists; the installed place when neither does.
    static std::string ViewerFor(const std::string& program);

    // Shows the book's contents on the given screen, in the running viewer
    // or a new one, its window brought to the front with the token. False
    // when the viewer could not be started.
    bool DisplayContents(int screen, const std::string& token = {});
    // The viewer's program file.
    const std::string& Program() const { return m_program; }
    // Whether a viewer started from here is still running.
    bool IsRunning() const { return m_viewer != nullptr; }
    // Whether it runs and has shown its window for every request so far.
    bool IsShowing() const;

private:
    struct Viewer;
    bool Start();
    // The running viewer has ended with the given wait status.
    void OnViewerEnded(int status);

    std::string m_program;
    std::unique_ptr<Viewer> m_viewer;
};
