// The how-to-play book, shown in the toolkit's HTML help window.
//
// The book (project, contents, index and the page) is built into the
// program and served from memory, so help opens on any machine: no files on
// disk, no browser. The main frame keeps one for the run and takes it down
// with itself.
#pragma once

#include <memory>

#include <wx/string.h>

class wxConfigBase;
class wxHtmlHelpController;
class wxWindow;

class CHelpWindow {
public:
    // The location of the book's project file in the memory file system.
    static wxString BookLocation();
    // Puts the book's files into the memory file system (once per run).
    static void RegisterBook();
    // The text of the how-to-play page.
    static wxString PageText();
    // The HTML with a <wbr> wherever the Japanese rules let its text break.
    static wxString WithLineBreaks(const wxString& html);

    CHelpWindow();
    ~CHelpWindow();

    // Opens the window (or raises it) at the book's contents.
    bool DisplayContents();
    wxHtmlHelpController& Controller() { return *m_controller; }

private:
    // Window placement is remembered only in memory: the help must never
    // write into the player's settings file.
    std::unique_ptr<wxConfigBase> m_config;
    std::unique_ptr<wxHtmlHelpController> m_controller;
};
