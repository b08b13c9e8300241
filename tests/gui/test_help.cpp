// The how-to-play window: its page broken into lines by the Japanese rules,
// its own texts in Japanese under the C locale, and no complaint from GTK.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include <wx/bookctrl.h>
#include <wx/ctrlsub.h>
#include <wx/dcmemory.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>
#include <wx/html/htmlcell.h>
#include <wx/html/winpars.h>
#include <wx/toolbar.h>

#include "GuiTest.h"
#include "shell/HelpWindow.h"

namespace {

using Line = std::vector<const wxHtmlCell*>;

// The laid-out lines of every block: a line ends where a cell starts left of the end of the one before.
void CollectLines(const wxHtmlCell* cell, std::vector<Line>& lines)
{
    for (int right = -1; cell != nullptr; cell = cell->GetNext()) {
        if (!cell->IsTerminalCell()) {
            CollectLines(cell->GetFirstChild(), lines);
            right = -1;
            continue;
        }
        if (right < 0 || cell->GetPosX() < right)
            lines.emplace_back();
        lines.back().push_back(cell);
        right = cell->GetPosX() + cell->GetWidth();
    }
}

TEST(HelpPage, BreaksLinesByTheJapaneseRulesAtEveryWidthWithoutExtraGaps)
{
    // No line starts with a closing bracket, a stop, the middle dot, the long-vowel mark or small kana; none ends
    // with an opening bracket. A full-width comma or stop carries its own room: no blank follows it.
    const wxString noStart = wxString::FromUTF8("」』）】、。，．・：；！？ーぁぃぅぇぉっゃゅょァィゥェォッャュョ");
    const wxString noEnd = wxString::FromUTF8("「『（【");
    wxBitmap bitmap(8, 8);
    wxMemoryDC dc(bitmap);
    wxHtmlWinParser parser;
    parser.SetDC(&dc);
    std::unique_ptr<wxHtmlCell> page(static_cast<wxHtmlCell*>(parser.Parse(CHelpWindow::PageText())));
    const int em = dc.GetCharHeight();
    std::set<std::string> faults;
    for (int width = 1; width < 50 * em; ++width) {
        page->Layout(width);
        std::vector<Line> lines;
        CollectLines(page.get(), lines);
        for (const Line& line : lines) {
            // As narrow as can be, each line is a run of text with no place to break.
            wxString text;
            for (const wxHtmlCell* cell : line)
                text += cell->ConvertToText(nullptr);
            if (width == 1) {
                EXPECT_LT(line.back()->GetPosX() + line.back()->GetWidth() - line.front()->GetPosX(), 15 * em) << text;
            }
            text.Trim(true).Trim(false);
            if (!text.empty() && (noStart.Find(text[0]) != wxNOT_FOUND || noEnd.Find(text.Last()) != wxNOT_FOUND ||
                                  text.Find(wxString::FromUTF8("、 ")) != wxNOT_FOUND ||
                                  text.Find(wxString::FromUTF8("。 ")) != wxNOT_FOUND))
                faults.insert(text.utf8_string());
        }
    }
    EXPECT_EQ(faults, std::set<std::string>{});
}

// Every text the toolkit shows in a window and its children: labels, tabs, tool tips, list items.
void CollectTexts(wxWindow* window, wxArrayString& texts)
{
    texts.Add(window->GetLabel());
    texts.Add(window->GetToolTipText());
    if (auto* book = dynamic_cast<wxBookCtrlBase*>(window))
        for (size_t i = 0; i < book->GetPageCount(); ++i)
            texts.Add(book->GetPageText(i));
    if (auto* bar = dynamic_cast<wxToolBar*>(window))
        for (size_t i = 0; i < bar->GetToolsCount(); ++i)
            texts.Add(bar->GetToolByPos(static_cast<int>(i))->GetShortHelp());
    if (auto* items = dynamic_cast<wxItemContainer*>(window))
        WX_APPEND_ARRAY(texts, items->GetStrings());
    for (wxWindow* child : window->GetChildren())
        CollectTexts(child, texts);
}

TEST(HelpWindow, OpensWithoutToolkitWarningsAndShowsOnlyJapaneseTexts)
{
    // Standard error, where GTK reports, goes into a file while the window opens and each page of its notebook shows.
    std::fflush(stderr);
    const int console = dup(2);
    FILE* captured = std::tmpfile();
    dup2(fileno(captured), 2);
    CHelpWindow help;
    ASSERT_TRUE(help.DisplayContents());
    wxFrame* frame = help.Controller().GetFrame();
    EXPECT_TRUE(PumpUntil([&] { return frame->IsShownOnScreen(); }));
    auto* book = dynamic_cast<wxBookCtrlBase*>(frame->FindWindowByName("notebook"));
    for (size_t page = 0; book != nullptr && page < book->GetPageCount(); ++page) {
        book->SetSelection(page);
        EXPECT_TRUE(PumpUntil([&] { return book->GetPage(page)->IsShownOnScreen(); }));
    }
    std::fflush(stderr);
    dup2(console, 2);
    close(console);
    std::string output(4096, '\0');
    std::rewind(captured);
    output.resize(std::fread(output.data(), 1, output.size(), captured));
    std::fclose(captured);
    EXPECT_EQ(output, "");

    wxArrayString texts;
    CollectTexts(frame, texts);
    EXPECT_GT(texts.size(), 20u);
    for (const wxString& text : texts)
        EXPECT_FALSE(text.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") != wxString::npos &&
                     !text.StartsWith("KadorinTolvane"))
            << text;
}

}  // namespace
