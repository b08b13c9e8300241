// The built-in how-to-play book: its files in memory, the page's contents,
// the help window opened at the contents with Japanese names, and its end
// with the window that asked for it. Nothing may reach the disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include <wx/filesys.h>
#include <wx/frame.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>
#include <wx/html/helpwnd.h>
#include <wx/html/htmlwin.h>
#include <wx/intl.h>

#include "res/Strings.h"
#include "res/resource.h"
#include "shell/Dialogs.h"
#include "shell/HelpWindow.h"
#include "tests/dialogs/DialogTestSupport.h"

namespace {

wxString U(const char* utf8) { return wxString::FromUTF8(utf8); }

wxString ReadMemoryFile(const wxString& location)
{
    wxFileSystem fs;
    std::unique_ptr<wxFSFile> file(fs.OpenFile(location));
    if (!file)
        return wxString();
    wxInputStream* in = file->GetStream();
    std::string bytes;
    char buffer[4096];
    while (in->Read(buffer, sizeof buffer).LastRead() > 0)
        bytes.append(buffer, in->LastRead());
    return wxString::FromUTF8(bytes);
}

std::size_t CountEntries(const std::filesystem::path& dir)
{
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

TEST(HelpBook, TheBookLivesInMemory)
{
    CHelpWindow::RegisterBook();
    const wxString project = ReadMemoryFile(CHelpWindow::BookLocation());
    EXPECT_TRUE(project.Contains("Contents file=")) << project;
    EXPECT_TRUE(project.Contains("Default topic=tolvane32.htm"));
    const wxString page = ReadMemoryFile("memory:tolvane32-help/tolvane32.htm");
    EXPECT_EQ(page, CHelpWindow::PageText());
}

TEST(HelpBook, ThePageCoversTheRules)
{
    const wxString page = CHelpWindow::PageText();
    // The bonus table, in its order.
    int at = 0;
    for (const char* value : {"2000", "1000", "500", "200", "100", "50", "20", "10", "5"}) {
        const int found = page.Mid(at).Find(wxString(">") + value + "<");
        ASSERT_NE(found, wxNOT_FOUND) << value;
        at += found + 1;
    }
    EXPECT_TRUE(page.Contains(U("１３")));
    EXPECT_TRUE(page.Contains(U("キング")));
    EXPECT_TRUE(page.Contains(U("ジョーカー")));
    EXPECT_TRUE(page.Contains(U("３回まで")));
    EXPECT_TRUE(page.Contains(U("５６点")));
    EXPECT_TRUE(page.Contains(U("２点")));
    EXPECT_TRUE(page.Contains(U("最速クリア")));
    EXPECT_TRUE(page.Contains(U("最高得点")));
    // Menu entries quoted as the menu shows them, without mnemonics.
    EXPECT_TRUE(page.Contains(U("ｶｰﾄﾞの模様を変更する")));
    EXPECT_TRUE(page.Contains(U("元に戻す")));
    EXPECT_FALSE(page.Contains("(&"));
    EXPECT_FALSE(page.Contains("@"));  // every placeholder filled
}

TEST(HelpWindow, OpensAtTheContentsInJapaneseWithoutWritingFiles)
{
    const std::filesystem::path cwd = std::filesystem::current_path();
    const std::size_t filesBefore = CountEntries(cwd);

    auto owner = new wxFrame(nullptr, wxID_ANY, "owner");
    ShowHelp(owner);
    RunPendingEvents();
    CHelpWindow* help = CHelpWindow::Current();
    ASSERT_NE(help, nullptr);
    wxHtmlHelpFrame* frame = help->Controller().GetFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(frame->GetTitle(), U("KadorinTolvane３２の遊び方"));

    // The contents tree names are decoded as the Japanese they are.
    const wxHtmlHelpDataItems& contents = help->Controller().GetHelpData()->GetContentsArray();
    ASSERT_GE(contents.size(), 10u);
    wxArrayString names;
    for (size_t i = 0; i < contents.size(); ++i)
        names.Add(contents[i].name);
    EXPECT_NE(names.Index(U("KadorinTolvane３２の遊び方")), wxNOT_FOUND);
    EXPECT_NE(names.Index(U("クリアとボーナス")), wxNOT_FOUND);
    EXPECT_NE(names.Index(U("ジョーカー")), wxNOT_FOUND);
    const wxHtmlHelpDataItems& index = help->Controller().GetHelpData()->GetIndexArray();
    EXPECT_GE(index.size(), 10u);

    // It shows the page itself, opened at its start.
    wxHtmlWindow* html = help->Controller().GetHelpWindow()->GetHtmlWindow();
    ASSERT_NE(html, nullptr);
    EXPECT_TRUE(html->GetOpenedPage().EndsWith("tolvane32.htm")) << html->GetOpenedPage();
    EXPECT_EQ(html->GetOpenedPageTitle(), U("KadorinTolvane３２の遊び方"));
    // Japanese lines wrap inside the page: nothing runs off to the right
    // (an unbroken paragraph would be thousands of pixels wide; the view
    // itself may add its margins).
    EXPECT_LE(html->GetVirtualSize().x, html->GetClientSize().x + 20);

    // The toolkit's own labels speak Japanese too.
    EXPECT_NE(wxGetTranslation("Contents"), "Contents");

    // A second request raises the same window.
    ShowHelp(owner);
    RunPendingEvents();
    EXPECT_EQ(CHelpWindow::Current(), help);
    EXPECT_EQ(help->Controller().GetFrame(), frame);

    // It goes with its owner.
    owner->Destroy();
    RunPendingEvents();
    EXPECT_EQ(CHelpWindow::Current(), nullptr);
    for (wxWindow* w : wxTopLevelWindows)
        EXPECT_EQ(wxDynamicCast(w, wxHtmlHelpFrame), nullptr);

    EXPECT_EQ(CountEntries(cwd), filesBefore);
    const char* config = getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(config) / "tolvane32.ini"));
}

TEST(HelpWindow, ClosingByHandAndOpeningAgain)
{
    ShowHelp(nullptr);
    RunPendingEvents();
    ASSERT_NE(CHelpWindow::Current(), nullptr);
    wxHtmlHelpFrame* frame = CHelpWindow::Current()->Controller().GetFrame();
    ASSERT_NE(frame, nullptr);
    frame->Close();
    RunPendingEvents();
    EXPECT_EQ(CHelpWindow::Current()->Controller().GetFrame(), nullptr);

    ShowHelp(nullptr);
    RunPendingEvents();
    ASSERT_NE(CHelpWindow::Current()->Controller().GetFrame(), nullptr);
    EXPECT_TRUE(CHelpWindow::Current()->Controller().GetFrame()->IsShown());
    CHelpWindow::Shutdown();
    RunPendingEvents();
    EXPECT_EQ(CHelpWindow::Current(), nullptr);
}

}  // namespace
