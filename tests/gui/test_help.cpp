// The how-to-play window: its page broken into lines by the Japanese rules, its texts Japanese, GTK silent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include <wx/dcmemory.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>
#include <wx/html/winpars.h>
#include <wx/notebook.h>
#include <wx/toolbar.h>

#include "GuiTest.h"
#include "res/Strings.h"
#include "res/resource.h"
#include "shell/HelpProcess.h"
#include "shell/HelpWindow.h"
#include "shell/WindowsGone.h"

namespace {

// Appends the laid-out lines of every block (text, width): a line ends where a cell starts left of the last one's end.
void CollectLines(const wxHtmlCell* cell, std::vector<std::pair<wxString, int>>& lines)
{
    for (int left = 0, right = -1; cell != nullptr; cell = cell->GetNext()) {
        if (!cell->IsTerminalCell()) {
            CollectLines(cell->GetFirstChild(), lines);
            right = -1;
            continue;
        }
        if (right < 0 || cell->GetPosX() < right)
            lines.emplace_back("", 0), left = cell->GetPosX();
        right = cell->GetPosX() + cell->GetWidth();
        lines.back() = {lines.back().first + cell->ConvertToText(nullptr), right - left};
    }
}

TEST(HelpPage, BreaksLinesByTheJapaneseRulesAtEveryWidthWithoutExtraGaps)
{
    // No line starts with a closing bracket, a stop, the middle dot, the long-vowel mark or small kana, none ends
    // with an opening bracket; a full-width comma or stop has its own room, no blank follows it.
    const wxString noStart = wxString::FromUTF8("」』）】、。，．・：；！？ーぁぃぅぇぉっゃゅょァィゥェォッャュョ");
    const wxString noEnd = wxString::FromUTF8("「『（【"), gaps[] = {wxString::FromUTF8("、 "), wxString::FromUTF8("。 ")};
    wxBitmap bitmap(8, 8);
    wxMemoryDC dc(bitmap);
    wxHtmlWinParser parser;
    parser.SetDC(&dc);
    const wxString source = CHelpWindow::PageText();
    EXPECT_EQ(source.Find('@'), wxNOT_FOUND);  // every placeholder filled
    for (int id : {IDS_MENU_DEAL, IDS_MENU_UNDO, IDS_MENU_CARDBACK, IDS_MENU_EXIT, IDS_MENU_ABOUT})  // as read: no mnemonic
        EXPECT_TRUE(source.Contains("<dt><b>" + wxString::FromUTF8(LoadResString(id)).BeforeFirst('(') + "</b>"));
    std::unique_ptr<wxHtmlCell> page(static_cast<wxHtmlCell*>(parser.Parse(source)));
    std::set<std::string> faults;
    // Steps narrower than any character: the first line of each block ends once at every place it may.
    for (int width = 1; width < 36 * dc.GetCharHeight(); width += 4) {
        page->Layout(width);
        std::vector<std::pair<wxString, int>> lines;
        CollectLines(page.get(), lines);
        for (auto& [text, lineWidth] : lines) {
            // As narrow as can be, every line is a run of text with no place to break: a short one.
            if (width == 1 && lineWidth > 15 * dc.GetCharHeight())
                faults.insert("unbroken: " + text.utf8_string());
            text.Trim(true).Trim(false);
            if (!text.empty() && (noStart.Contains(text.Left(1)) || noEnd.Contains(text.Right(1)) ||
                                  text.Contains(gaps[0]) || text.Contains(gaps[1])))
                faults.insert(text.utf8_string());
        }
    }
    EXPECT_EQ(faults, std::set<std::string>{});
}

TEST(HelpPage, MarksBreaksInTheTextAloneWherePangoAllowsThem)
{
    const char* rows[][2] = {  // inline tags and references join the text; other tags and blanks break it already
        {"日本語", "日<wbr>本<wbr>語"}, {"「かぎ」。です", "「か<wbr>ぎ」。<wbr>で<wbr>す"}, {"日a;本", "日<wbr>a;<wbr>本"},
        {"<b>日</b>本", "<b>日</b><wbr>本"}, {"<p>日</p>本 語", "<p>日</p>本 語"},
        {"&lt;日&gt;本", "&lt;<wbr>日<wbr>&gt;<wbr>本"}, {"日&amp;x;&#x03042;&zz;本", "日<wbr>&amp;x;<wbr>&#x03042;&zz;<wbr>本"},
        {"本&nothing1;", "本<wbr>&nothing1;"}};  // too long for a reference: a stray ampersand
    for (auto [html, marked] : rows)
        EXPECT_EQ(CHelpWindow::WithLineBreaks(wxString::FromUTF8(html)).utf8_string(), marked);
}

// Labels, tool tips and list items of a window and all within it.
void CollectTexts(wxWindow* window, wxArrayString& texts)
{
    texts.Add(window->GetLabel() + window->GetToolTipText());
    if (auto* bar = dynamic_cast<wxToolBar*>(window))
        for (size_t i = 0; i < bar->GetToolsCount(); ++i)
            texts.Add(bar->GetToolByPos(static_cast<int>(i))->GetShortHelp());
    if (auto* items = dynamic_cast<wxItemContainer*>(window))
        WX_APPEND_ARRAY(texts, items->GetStrings());
    for (wxWindow* child : window->GetChildren())
        CollectTexts(child, texts);
}

// Under the C locale, and at scale 2 on a screen of 800 x 600 logical pixels, less than the help's first size.
TEST(ScaleTest, TheHelpFitsItsScreenSpeaksJapaneseWithoutToolkitWarningsAndGoesWhenClosed)
{
    testing::internal::CaptureStderr();  // where GTK reports, while the window opens and each notebook page shows
    auto owner = std::make_unique<CHelpWindow>();
    CHelpWindow& help = *owner;
    ASSERT_TRUE(help.DisplayContents());
    wxFrame* frame = help.Controller()->GetFrame();
    const wxRect area = wxDisplay(frame).GetClientArea();
    EXPECT_TRUE(area.Contains(wxRect(area.GetPosition(), frame->GetSize()))) << frame->GetSize().x;
    EXPECT_TRUE(area.width < 820 || area.height < 600 || frame->GetSize() == wxSize(820, 600));  // its own, with room
    auto* book = static_cast<wxNotebook*>(frame->FindWindowByName(wxNotebookNameStr));
    wxArrayString texts;
    for (size_t page = 0; page < book->GetPageCount(); ++page) {
        book->SetSelection(page);
        EXPECT_TRUE(PumpUntil([&] { return book->GetPage(page)->IsShownOnScreen(); }));
        texts.Add(book->GetPageText(page));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // Under the book's title, the contents lead to every heading of the page, the index to its sections.
    EXPECT_EQ(frame->GetTitle(), HelpTitle());
    const wxString page = CHelpWindow::PageText();
    const wxHtmlHelpData& data = *help.Controller()->GetHelpWindow()->GetData();
    size_t headings = 0;
    for (size_t i = 0; i < data.GetContentsArray().size(); ++i) {
        const wxHtmlHelpDataItem& item = data.GetContentsArray()[i];
        headings += item.level > 0 && page.Contains("<a name=\"" + item.page.AfterFirst('#') + "\">" + item.name + "<");
    }
    EXPECT_EQ(headings, wxString(page).Replace("<h3>", ""));
    for (size_t i = 0; i < data.GetIndexArray().size(); ++i)
        EXPECT_TRUE(page.Contains("<a name=\"" + data.GetIndexArray()[i].page.AfterFirst('#') + "\">"));
    EXPECT_GT(data.GetIndexArray().size(), 0u);
    CollectTexts(frame, texts);
    for (wxString text : texts) {  // only the game's name is Latin
        text.Replace("KadorinTolvane", "");
        EXPECT_EQ(text.find_first_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"), wxString::npos) << text;
    }
    // Closed, it lets the book and its window go; asked again, it opens them anew, reopened at once or later.
    frame->Close();
    ASSERT_TRUE(help.DisplayContents());  // before the old window has gone: the new one stays
    EXPECT_TRUE(PumpUntil([&] { return !wxTheApp->IsScheduledForDestruction(frame); }));
    ASSERT_NE(help.Controller(), nullptr);
    help.Controller()->GetFrame()->Close();
    EXPECT_TRUE(PumpUntil([&] { return help.Controller() == nullptr; }));
    EXPECT_TRUE(help.DisplayContents());
    owner.reset();  // with its window open: the window goes with it, not later, when the book would be gone
    EXPECT_TRUE(std::none_of(wxTopLevelWindows.begin(), wxTopLevelWindows.end(),
                             [](wxWindow* window) { return wxDynamicCast(window, wxHtmlHelpFrame) != nullptr; }));
}

// A help viewer of a few shell lines, which keeps a log beside itself: its starts, the requests it read, its ends.
class FakeViewer {
public:
    explicit FakeViewer(const std::string& script)
    {
        std::ofstream(m_path) << "#!/bin/sh\nlog='" << m_log.string() << "'\necho start >>\"$log\"\n"
                              << "trap 'echo end >>\"$log\"' EXIT\n"
                              << "ask() { read -r r && echo \"$r\" >>\"$log\"; }\nanswer() { echo shown >&0; }\n"
                              << script << "\n";
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all);
    }
    ~FakeViewer() { std::filesystem::remove_all(m_dir); }
    std::string Path() const { return m_path.string(); }
    std::string Log() const
    {
        std::stringstream text;
        text << std::ifstream(m_log).rdbuf();
        return text.str();
    }

private:
    std::filesystem::path m_dir = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "tolvane-help-XXXXXX").string();
        return std::filesystem::path(mkdtemp(dir.data()));
    }();
    std::filesystem::path m_path = m_dir / "viewer", m_log = m_dir / "log";
};

// Each help command reaches the running viewer; a request that a viewer ended without seeing (its window was
// closing) starts the next one, but a viewer that failed or never answered is not started again by itself.
TEST(HelpProcess, StartsAViewerAgainOnlyForTheRequestItsClosingWindowMissedAndEndsItWithTheGame)
{
    struct Row { const char* name; const char* script; const char* log; bool running; };
    const Row rows[] = {
        {"answers each request", "while ask; do answer; done", "start\ncontents 0\ncontents 2\n", true},
        {"ends at the second, unseen", "ask; answer; ask; exit 0",
         "start\ncontents 0\ncontents 2\nend\nstart\ncontents 2\n", true},
        {"fails at the second", "ask; answer; ask; exit 3", "start\ncontents 0\ncontents 2\nend\n", false},
        {"never answers", "ask; exit 0", "start\ncontents 0\nend\nstart\ncontents 2\nend\n", false},
    };
    const auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto filesBefore = openFiles();
    for (const Row& row : rows) {
        FakeViewer viewer(row.script);
        {
            CHelpProcess help(viewer.Path());
            for (int screen : {0, 2}) {
                ASSERT_TRUE(help.DisplayContents(screen));
                EXPECT_TRUE(PumpUntil([&] { return help.IsShowing() || !help.IsRunning(); })) << row.name;
            }
            EXPECT_TRUE(PumpUntil([&] { return viewer.Log() == row.log; })) << row.name << "\n" << viewer.Log();
            EXPECT_EQ(help.IsRunning(), row.running) << row.name;
        }
        // The line closed with the game: a viewer still running ends.
        EXPECT_TRUE(PumpUntil([&] { return viewer.Log() == row.log + std::string(row.running ? "end\n" : ""); }))
            << row.name << "\n" << viewer.Log();
    }
    CHelpProcess missing("/nonexistent/tolvane32-help");
    EXPECT_FALSE(missing.DisplayContents(0));
    EXPECT_FALSE(missing.IsRunning());
    EXPECT_EQ(openFiles(), filesBefore);  // no end of any line left open
}

TEST(HelpProcess, FindsTheViewerBesideTheGameOrInstalledInLibexec)
{
    FakeViewer beside("exit 0");  // a folder holding a program named as the viewer is not
    const std::filesystem::path folder = std::filesystem::path(beside.Path()).parent_path();
    std::filesystem::copy_file(beside.Path(), folder / "tolvane32-help");
    EXPECT_EQ(CHelpProcess::ViewerFor((folder / "tolvane32").string()), (folder / "tolvane32-help").string());
    EXPECT_EQ(CHelpProcess::ViewerFor("/usr/games/tolvane32"), "/usr/libexec/tolvane32/tolvane32-help");
    EXPECT_EQ(CHelpProcess::ViewerFor("/opt/t/bin/tolvane32"), "/opt/t/libexec/tolvane32/tolvane32-help");
}

// The time of the player's last request that a window says it answers (_NET_WM_USER_TIME), which the window
// manager weighs against focus stealing.
long UserTime(unsigned long window);

// The real viewer: its window carries each request's token to the window manager (on X11, the time of the
// player's request), closed by the player it ends, asked again it comes back, and it goes with the game.
TEST(HelpProcess, TheViewersWindowTakesEachTokenGoesWhenClosedComesBackAndGoesWithTheGame)
{
    const wxString title = HelpTitle();
    auto help = std::make_unique<CHelpProcess>(TOLVANE_HELP_VIEWER);
    for (long time : {100, 200}) {  // opened, then raised
        ASSERT_TRUE(help->DisplayContents(0, "tolvane-help-" + std::to_string(time) + "_TIME" + std::to_string(time)));
        ASSERT_TRUE(PumpUntil([&] { return help->IsShowing() && WindowsTitled(title).size() == 1; }, 20000));
        EXPECT_EQ(UserTime(WindowsTitled(title)[0]), time);
    }
    CloseBox(WindowsTitled(title)[0]);
    EXPECT_TRUE(PumpUntil([&] { return !help->IsRunning() && WindowsTitled(title).empty(); }));
    ASSERT_TRUE(help->DisplayContents(0));
    EXPECT_TRUE(PumpUntil([&] { return help->IsShowing() && WindowsTitled(title).size() == 1; }, 20000));
    help.reset();
    EXPECT_TRUE(PumpUntil([&] { return WindowsTitled(title).empty(); }));
}

// Once windows of their own have gone (a dialog, the help), the heap gives back what they left, once for all
// that went together; a window inside another, or the main one, asks nothing.
TEST(Host, ClosedWindowsGiveBackTheirMemoryEachTime)
{
    int trims = 0;
    CWindowsGone gone([&trims] { ++trims; });
    const auto trimsAfter = [&trims](auto destroy) {
        const int before = trims;
        destroy();
        wxTheApp->ProcessPendingEvents();
        return trims - before;
    };
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(trimsAfter([] {
                      auto* dialog = new wxDialog(nullptr, wxID_ANY, "dialog");
                      new wxPanel(dialog);
                      delete dialog;
                      delete new wxDialog(nullptr, wxID_ANY, "another");
                  }), 1) << round;
    }
    auto* main = new wxFrame(nullptr, wxID_ANY, "main");
    EXPECT_EQ(trimsAfter([main] { delete new wxPanel(main); }), 0);
    gone.SetMainWindow(main);
    EXPECT_EQ(trimsAfter([main] { delete main; }), 0);
}

}  // namespace

// Xlib last: its macros would clash with the names above.
#include <X11/Xatom.h>
#include <gdk/gdkx.h>

std::vector<unsigned long> WindowsTitled(const wxString& title)
{
    GdkDisplay* gdk = gdk_display_get_default();
    Display* display = GDK_DISPLAY_XDISPLAY(gdk);
    const Atom name = XInternAtom(display, "_NET_WM_NAME", False), utf8 = XInternAtom(display, "UTF8_STRING", False);
    std::vector<unsigned long> found;
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    gdk_x11_display_error_trap_push(gdk);  // a window may go while it is looked at
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) != 0) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            Atom type;
            int format;
            unsigned long length, after;
            unsigned char* text = nullptr;
            if (XGetWindowAttributes(display, children[i], &attributes) != 0 && attributes.map_state == IsViewable &&
                XGetWindowProperty(display, children[i], name, 0, 1024, False, utf8, &type, &format, &length, &after,
                                   &text) == Success &&
                text != nullptr && wxString::FromUTF8(reinterpret_cast<char*>(text), length) == title)
                found.push_back(children[i]);
            if (text != nullptr)
                XFree(text);
        }
        XFree(children);
    }
    gdk_x11_display_error_trap_pop_ignored(gdk);
    return found;
}

void CloseBox(unsigned long window)
{
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

namespace {

long UserTime(unsigned long window)
{
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    Atom type;
    int format;
    unsigned long length, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_USER_TIME", False), 0, 1, False, XA_CARDINAL,
                       &type, &format, &length, &after, &data);
    const long time = data != nullptr && length == 1 ? *reinterpret_cast<long*>(data) : -1;
    if (data != nullptr)
        XFree(data);
    return time;
}

}  // namespace
