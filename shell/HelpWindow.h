// The how-to-play book, shown in the toolkit's HTML help window.
//
// The book (project, contents, index and the page) is built into the
// program and served from memory, so help opens on any machine: no files on
// disk, no browser. It lives in the help viewer, a program of its own that
// the game starts (see HelpProcess.h): a player reads the help once in a
// while, and the game should not carry the toolkit's whole HTML and notebook
// machinery for the rest of the evening once it has been opened.
#pragma once

#include <functional>
#include <memory>

#include <wx/event.h>
#include <wx/string.h>

class wxConfigBase;
class wxHtmlHelpController;

class CHelpWindow : public wxEvtHandler {
public:
    // The location of the book's project file in the memory file system.
    static wxString BookLocation();
    // Puts the book's files into the memory file system (once per run).
    static void RegisterBook();
    // The text of the how-to-play page.
    static wxString PageText();
    // The HTML with a <wbr> wherever the Japanese rules let its text break.
    static wxString WithLineBreaks(const wxString& html);

    // closed: called once the window has closed and its book has gone.
    explicit CHelpWindow(std::function<void()> closed = {});
    ~CHelpWindow() override;

    // Opens the window (or raises it) at the book's contents, no larger
    // than the work area of the given screen (out of range: the first).
    bool DisplayContents(int screen = 0);
    // While the help is open: what shows it. Null once its window has closed.
    wxHtmlHelpController* Controller() const { return m_controller.get(); }

private:
    // Lets go of the book, its window and their language catalogs.
    void Release();

    // Window placement is remembered only in memory, for the run: the help
    // must never write into the player's settings file.
    std::unique_ptr<wxConfigBase> m_config;
    std::unique_ptr<wxHtmlHelpController> m_controller;
    std::function<void()> m_closed;
};
