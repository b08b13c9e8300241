#include "shell/HelpWindow.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include <pango/pango.h>

#include <wx/filesys.h>
#include <wx/fs_mem.h>
#include <wx/html/helpctrl.h>
#include <wx/html/helpfrm.h>
#include <wx/html/htmlcell.h>
#include <wx/html/winpars.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/memconf.h>
#include <wx/translation.h>
#include <wx/window.h>

#include "res/Strings.h"
#include "res/resource.h"
#include "shell/Dialogs.h"

namespace {

const char kBookDir[] = "tolvane32-help/";
const char kProject[] = "tolvane32.hhp";
const char kContents[] = "tolvane32.hhc";
const char kIndex[] = "tolvane32.hhk";
const char kPage[] = "tolvane32.htm";


// A menu entry's text as the player reads it: without its "(&X)" mnemonic
// and the dots that follow it.
wxString MenuLabel(int id)
{
    wxString text = wxString::FromUTF8(LoadResString(id));
    const int open = text.Find("(&");
    if (open != wxNOT_FOUND)
        text.Truncate(static_cast<size_t>(open));
    return text;
}

// The sections of the page: anchor and heading, in reading order. The
// contents tree lists them under the book's title.
struct Section {
    const char* anchor;
    const char* heading;
};

constexpr Section kSections[] = {
    {"aim", "ゲームのあらまし"},
    {"layout", "カードの並び"},
    {"pairs", "カードの取り方"},
    {"joker", "ジョーカー"},
    {"stock", "山札をめくる・戻す"},
    {"bonus", "クリアとボーナス"},
    {"score", "得点"},
    {"end", "手詰まり"},
    {"records", "記録"},
    {"menu", "メニュー"},
};

// Index entries: keyword and the section it leads to.
constexpr Section kKeywords[] = {
    {"pairs", "１３の組"},
    {"pairs", "キング"},
    {"joker", "ジョーカー"},
    {"stock", "山札"},
    {"stock", "捨て札"},
    {"stock", "山札を戻す"},
    {"bonus", "ボーナス"},
    {"bonus", "クリア"},
    {"score", "得点"},
    {"end", "手詰まり"},
    {"records", "最速クリア"},
    {"records", "最高得点"},
    {"records", "名前の入力"},
    {"menu", "元に戻す"},
    {"menu", "カードの模様"},
};

wxString SitemapItem(const wxString& name, const wxString& local)
{
    return "<li><object type=\"text/sitemap\">"
           "<param name=\"Name\" value=\"" + name + "\">"
           "<param name=\"Local\" value=\"" + local + "\"></object>\n";
}

// The contents (of sections) or the index (of keywords). The toolkit reads
// these files byte by byte and then decodes the names with the project's
// charset, so they carry no charset of their own.
std::string SitemapFile(std::span<const Section> entries)
{
    wxString text = "<html><body>\n<ul>\n";
    for (const Section& s : entries)
        text += SitemapItem(wxString::FromUTF8(s.heading), wxString(kPage) + "#" + s.anchor);
    text += "</ul>\n</body></html>\n";
    return text.utf8_string();
}

std::string ProjectFile()
{
    std::string text = "[OPTIONS]\n";
    text += std::string("Contents file=") + kContents + "\n";
    text += std::string("Index file=") + kIndex + "\n";
    text += std::string("Default topic=") + kPage + "\n";
    text += "Charset=UTF-8\n";
    text += "Title=" + wxString::FromUTF8(LoadResString(IDS_MSG_CAPTION)).utf8_string() +
            "の遊び方\n";
    return text;
}

// The page itself. Menu entries are quoted from the program's own menu.
const char kPageTemplate[] = R"HTML(<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>@TITLE@の遊び方</title>
</head>
<body>
<kinsoku>
<h2>@TITLE@の遊び方</h2>

<h3><a name="aim">ゲームのあらまし</a></h3>
<p>@TITLE@は、ひとりで遊ぶピラミッド型のソリティアです。
数の合計が１３になる２枚のカードを組にして、ピラミッドのカードを取り除いていきます。
いちばん上の頂上のカードを取り除けばクリアです。</p>

<h3><a name="layout">カードの並び</a></h3>
<ul>
<li><b>ピラミッド</b>　よく切った５２枚のトランプから２８枚を表向きに配り、７段のピラミッドに並べます。
下の段のカードは、すぐ上の段のカード２枚に半分ずつ重なっています。</li>
<li><b>山札</b>　残りの２４枚にジョーカー２枚を加えた２６枚が、裏向きの山札になります。</li>
<li><b>捨て札</b>　山札から１枚ずつめくったカードを、表向きに重ねていく場所です。</li>
</ul>
<p>取ることができるのは、上に何も重なっていないピラミッドのカードと、捨て札のいちばん上のカードだけです。</p>

<h3><a name="pairs">カードの取り方</a></h3>
<p>取りたいカードをクリックすると、そのカードが選ばれて色が反転します。
続けてもう１枚をクリックし、２枚の数の合計が１３になれば、２枚とも取り除かれます。
合計が１３にならないときはメッセージが表示され、選んだカードはそのまま残ります。
選んだカードをもう一度クリックすると、選択を取り消せます。</p>
<p>数は、エース（A）が１、ジャック（J）が１１、クイーン（Q）が１２、キング（K）が１３です。
組になるのは次の６通りで、マーク（スート）は問いません。</p>
<table border="1" cellpadding="4" cellspacing="0">
<tr><td>A ＋ Q</td><td>２ ＋ J</td><td>３ ＋ 10</td><td>４ ＋ ９</td><td>５ ＋ ８</td><td>６ ＋ ７</td></tr>
</table>
<p><b>キング</b>はそれだけで１３なので、クリックするだけで１枚で取り除かれます。</p>
<p>カードを選んでいる間は、山札をめくることはできません（警告音が鳴ります）。先に選択を取り消してください。</p>

<h3><a name="joker">ジョーカー</a></h3>
<p>山札にはジョーカーが２枚入っています。捨て札に出たジョーカーは、どのカードとも（キングとも）組にして取り除けます。
ただし、ジョーカーを１枚使うごとに、クリアしたときのボーナスが半分になります。</p>

<h3><a name="stock">山札をめくる・戻す</a></h3>
<p>山札をクリックすると、いちばん上のカードが１枚めくられて捨て札の上に置かれます。</p>
<p>山札がなくなったら、空になった山札の場所をクリックしてください。捨て札がすべて山札に戻り、前と同じ順番でもう一度めくれるようになります。
山札を戻せるのは、１回の配りにつき<b>３回まで</b>です。３回戻したあとは、山札の場所に印が表示され、それ以上は戻せません。</p>

<h3><a name="bonus">クリアとボーナス</a></h3>
<p>ピラミッドの頂上のカードを取り除くとクリアです。山札を戻した回数と、使わずに残っているジョーカーの枚数に応じて、ボーナス点がもらえます。</p>
<table border="1" cellpadding="4" cellspacing="0">
<tr><th>山札を戻した回数</th><th>ジョーカー２枚残り</th><th>１枚残り</th><th>残りなし</th></tr>
<tr><td align="center">０回</td><td align="right">2000</td><td align="right">1000</td><td align="right">500</td></tr>
<tr><td align="center">１回</td><td align="right">200</td><td align="right">100</td><td align="right">50</td></tr>
<tr><td align="center">２回</td><td align="right">20</td><td align="right">10</td><td align="right">5</td></tr>
<tr><td align="center">３回</td><td align="right">0</td><td align="right">0</td><td align="right">0</td></tr>
</table>
<p>いまクリアしたらもらえるボーナスは、ウィンドウの「終了させた場合のボーナス」の表示でいつでも確かめられます。</p>
<p>クリアすると音楽が流れ、ボーナスに応じたお祝いのアニメーションが始まります。
ウィンドウをクリックするとボーナスとクリア時間が表示され、次のカードを配ることができます。</p>

<h3><a name="score">得点</a></h3>
<ul>
<li>カードを配るたびに、<b>５６点</b>が引かれます。</li>
<li>ピラミッドのカードを１枚取り除くごとに<b>２点</b>が入ります（捨て札のカードは０点です）。
２８枚すべてを取り除くと５６点になり、配ったときの分を取り戻せます。</li>
<li>クリアすると、ボーナス点が加わります。</li>
<li>「@UNDO@」でカードを戻すと、そのカードで得た点も差し引かれます。</li>
</ul>
<p>得点は、プログラムを起動してから終了するまで、すべての配りを通して積み重なります。マイナスになることもあります。</p>

<h3><a name="end">手詰まり</a></h3>
<p>山札を３回戻し終えて最後までめくり、取り除けるカードがなくなると、「残念でした。」と表示されます。
「OK」を選ぶと新しくカードを配ります。「ｷｬﾝｾﾙ」を選ぶと、そのままの場を眺めることができます。</p>

<h3><a name="records">記録</a></h3>
<ul>
<li><b>最速クリア</b>　カードを配ってからクリアするまでの時間（秒）が、これまでの記録より短いと（まだ記録がないときも）、名前の入力を求められます。
記録はウィンドウの「最速クリア情報」に表示されます。</li>
<li><b>最高得点</b>　プログラムを終了するときの得点が１点以上で、これまでの最高得点を上回っていると、名前の入力を求められます。
最高得点とその名前は、ウィンドウのタイトルに表示されます。</li>
</ul>
<p>名前は半角で３０文字（全角で１５文字）まで入力できます。名前の入力で「ｷｬﾝｾﾙ」を選ぶと、記録は保存されません。
記録と選んだカードの模様は、設定ファイル tolvane32.ini（ふつうは ~/.config の中）に保存されます。</p>

<h3><a name="menu">メニュー</a></h3>
<dl>
<dt><b>@DEAL@</b></dt><dd>新しくカードを配ります。配るたびに５６点が引かれます。</dd>
<dt><b>@UNDO@</b></dt><dd>直前の１手だけを取り消します。カードを選んでいる間は使えません。</dd>
<dt><b>@CARDBACK@</b></dt><dd>山札に使うカードの裏の模様を、４種類の中から選びます。
「&lt;」「&gt;」で切り替えて、「OK」で決めます。選んだ模様は、次に起動したときにも使われます。</dd>
<dt><b>@EXIT@</b></dt><dd>確認のあと、ゲームを終了します。</dd>
<dt><b>@ABOUT@</b></dt><dd>バージョン情報を表示します。</dd>
</dl>
</kinsoku>
</body>
</html>
)HTML";

// Japanese lines break between almost any two characters, but never before
// closing brackets, stops, the long-vowel mark or small kana, and never
// after an opening bracket. The toolkit's HTML view breaks only at blanks
// and knows none of this, so the page's text sits in a <kinsoku> element
// whose handler marks every place where the usual rules (Pango's, after
// UAX #14) allow a break with a <wbr>, which takes no room. The stored
// page stays plain, so the help's search still finds words across them.

// Inline elements continue the text around them; any other tag ends it.
bool IsInlineTag(wxString name)
{
    static const char* const kInline[] = {"A", "B", "I", "U", "EM", "STRONG", "FONT", "SPAN", "BIG",
                                          "SMALL", "TT", "CODE", "SUB", "SUP", "WBR"};
    if (name.StartsWith("/"))
        name.Remove(0, 1);
    name.MakeUpper();
    for (const char* tag : kInline)
        if (name == tag)
            return true;
    return false;
}

bool IsBlank(wchar_t c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

wxString CHelpWindow::WithLineBreaks(const wxString& html)
{
    const wxHtmlEntitiesParser entities;
    // The text as read, with where each of its characters starts in the source.
    std::wstring text;
    std::vector<size_t> at;
    for (size_t i = 0; i < html.length();) {
        const wxUniChar c = html[i];
        size_t end = wxString::npos;
        if (c == '<' && (end = html.find('>', i)) != wxString::npos) {
            if (!IsInlineTag(html.Mid(i + 1, end - i - 1).BeforeFirst(' '))) {
                text += L'\n';
                at.push_back(i);
            }
            i = end + 1;
        } else if (c == '&' && (end = html.find(';', i)) != wxString::npos && end - i <= 8) {
            const wxChar decoded = entities.GetEntityChar(html.Mid(i + 1, end - i - 1));
            text += decoded != 0 ? decoded : L'?';
            at.push_back(i);
            i = end + 1;
        } else {
            text += static_cast<wchar_t>(c.GetValue());
            at.push_back(i);
            ++i;
        }
    }
    const std::string utf8 = wxString(text).utf8_string();
    std::vector<PangoLogAttr> attrs(text.size() + 1);
    pango_get_log_attrs(utf8.data(), static_cast<int>(utf8.size()), 0, pango_language_from_string("ja"),
                        attrs.data(), static_cast<int>(attrs.size()));

    wxString marked;
    marked.reserve(html.length() + html.length() / 2);
    size_t from = 0;
    for (size_t k = 1; k < text.size(); ++k) {
        // Blanks already break, in the toolkit's own way.
        if (!attrs[k].is_line_break || IsBlank(text[k - 1]) || IsBlank(text[k]))
            continue;
        marked += html.Mid(from, at[k] - from) + "<wbr>";
        from = at[k];
    }
    return marked + html.Mid(from);
}

namespace {

// A place where a line may break; it takes no room.
class CLineBreakCell : public wxHtmlCell {
public:
    bool IsLinebreakAllowed() const override { return true; }
};

class CKinsokuHandler : public wxHtmlWinTagHandler {
public:
    wxString GetSupportedTags() override { return "KINSOKU,WBR"; }

    bool HandleTag(const wxHtmlTag& tag) override
    {
        if (tag.GetName() == "WBR") {
            m_WParser->GetContainer()->InsertCell(new CLineBreakCell);
            return false;
        }
        ParseInnerSource(CHelpWindow::WithLineBreaks(m_WParser->GetInnerSource(tag)));
        return true;
    }
};

// Every HTML parser of the toolkit (the help window's and its printout's
// alike) takes the handler from its list of modules.
class CKinsokuModule : public wxHtmlTagsModule {
    wxDECLARE_DYNAMIC_CLASS(CKinsokuModule);

public:
    void FillHandlersTable(wxHtmlWinParser* parser) override { parser->AddTagHandler(new CKinsokuHandler); }
};

wxIMPLEMENT_DYNAMIC_CLASS(CKinsokuModule, wxHtmlTagsModule);

// The toolkit's Japanese catalog lacks the index's count of shown entries
// (worded as its own "Page %d of %d" is).
const char kOwnDomain[] = "tolvane32";
const std::pair<const char*, const char*> kOwnTexts[] = {
    {"%i of %u", "%i 件 (%u 件中)"},
    {"%u of %u", "%u 件 (%u 件中)"},
    {"%d of %lu", "%d 件 (%lu 件中)"},
    {"%lu of %lu", "%lu 件 (%lu 件中)"},
};

// A message catalog in the GNU .mo layout, with its charset in the header entry.
std::string MessageCatalog()
{
    std::vector<std::pair<std::string, std::string>> entries{{"", "Content-Type: text/plain; charset=UTF-8\n"}};
    for (const auto& [original, translation] : kOwnTexts)
        entries.emplace_back(original, translation);
    const auto n = static_cast<std::uint32_t>(entries.size());
    const std::uint32_t originals = 28, translations = originals + 8 * n, strings = translations + 8 * n;
    std::vector<std::uint32_t> words{0x950412de, 0, n, originals, translations, 0, strings};
    std::string text;
    for (int side = 0; side < 2; ++side)
        for (const auto& entry : entries) {
            const std::string& s = side == 0 ? entry.first : entry.second;
            words.push_back(static_cast<std::uint32_t>(s.size()));
            words.push_back(strings + static_cast<std::uint32_t>(text.size()));
            text += s + '\0';
        }
    return std::string(reinterpret_cast<const char*>(words.data()), words.size() * sizeof(std::uint32_t)) + text;
}

class CTranslationsLoader : public wxFileTranslationsLoader {
public:
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& lang) override
    {
        if (domain != kOwnDomain)
            return wxFileTranslationsLoader::LoadCatalog(domain, lang);
        const std::string data = MessageCatalog();
        return wxMsgCatalog::CreateFromData(wxScopedCharBuffer::CreateNonOwned(data.data(), data.size()), domain);
    }

    wxArrayString GetAvailableTranslations(const wxString& domain) const override
    {
        if (domain != kOwnDomain)
            return wxFileTranslationsLoader::GetAvailableTranslations(domain);
        wxArrayString languages;
        languages.Add("ja");
        return languages;
    }
};

void LayOutPanes(wxWindow* window)
{
    if (window->GetSizer() != nullptr)
        window->Layout();
    for (wxWindow* child : window->GetChildren())
        LayOutPanes(child);
}

class CHelpController : public wxHtmlHelpController {
public:
    using wxHtmlHelpController::wxHtmlHelpController;

protected:
    // The notebook's hidden pages (index, search) are laid out only when
    // first shown; until then their controls keep the toolkit's default
    // sizes, and the index list, already filled, is too short for its
    // scroll bar, which GTK reports on standard error each time the help
    // opens. One layout of every pane before the frame appears gives them
    // sizes of their own (a hidden page is still tiny then, which leaves the
    // list no height, hence nothing to scroll, until the page is shown).
    wxHtmlHelpFrame* CreateHelpFrame(wxHtmlHelpData* data) override
    {
        wxHtmlHelpFrame* frame = wxHtmlHelpController::CreateHelpFrame(data);
        frame->Layout();
        LayOutPanes(frame);
        return frame;
    }
};

}  // namespace

wxString CHelpWindow::BookLocation()
{
    return wxString("memory:") + kBookDir + kProject;
}

wxString CHelpWindow::PageText()
{
    wxString page = wxString::FromUTF8(kPageTemplate);
    page.Replace("@TITLE@", wxString::FromUTF8(LoadResString(IDS_MSG_CAPTION)));
    page.Replace("@DEAL@", MenuLabel(IDS_MENU_DEAL));
    page.Replace("@UNDO@", MenuLabel(IDS_MENU_UNDO));
    page.Replace("@CARDBACK@", MenuLabel(IDS_MENU_CARDBACK));
    page.Replace("@EXIT@", MenuLabel(IDS_MENU_EXIT));
    page.Replace("@ABOUT@", MenuLabel(IDS_MENU_ABOUT));
    wxString joined;
    joined.reserve(page.length());
    for (size_t i = 0; i < page.length(); ++i) {
        // A line break of the source inside a Japanese sentence would show
        // as a blank.
        if (page[i] == '\n' && i > 0 && page[i - 1].GetValue() >= 0x3000)
            continue;
        joined += page[i];
    }
    return joined;
}

void CHelpWindow::RegisterBook()
{
    static bool s_registered = false;
    if (s_registered)
        return;
    s_registered = true;

    if (!wxFileSystem::HasHandlerForPath("memory:x"))
        wxFileSystem::AddHandler(new wxMemoryFSHandler);
    const auto add = [](const char* name, const std::string& bytes) {
        wxMemoryFSHandler::AddFileWithMimeType(wxString(kBookDir) + name, bytes.data(),
                                               bytes.size(), "text/html");
    };
    add(kProject, ProjectFile());
    add(kContents, SitemapFile(kSections));
    add(kIndex, SitemapFile(kKeywords));
    add(kPage, PageText().utf8_string());
}

CHelpWindow::CHelpWindow()
    : m_config(new wxMemoryConfig),
      m_controller(new CHelpController(wxHF_TOOLBAR | wxHF_FLAT_TOOLBAR | wxHF_CONTENTS |
                                            wxHF_INDEX | wxHF_SEARCH | wxHF_PRINT |
                                            wxHF_MERGE_BOOKS))
{
    // The help window's own buttons and tabs speak the program's language.
    if (wxTranslations::Get() == nullptr) {
        auto* translations = new wxTranslations;
        translations->SetLoader(new CTranslationsLoader);
        translations->SetLanguage(wxLANGUAGE_JAPANESE);
        translations->AddStdCatalog();
        translations->AddCatalog(kOwnDomain);
        wxTranslations::Set(translations);
    }
    // A first size that shows a whole line of the page beside the contents.
    m_config->Write("hcW", 820L);
    m_config->Write("hcH", 600L);
    m_config->Write("hcSashPos", 230L);
    m_controller->UseConfig(m_config.get());
    m_controller->SetTitleFormat("%s");
    m_controller->SetShouldPreventAppExit(false);
    RegisterBook();
    wxLogNull quiet;
    m_bookAdded = m_controller->AddBook(BookLocation());
}

CHelpWindow::~CHelpWindow()
{
    // The controller takes its frame down with it.
    m_controller.reset();
}

bool CHelpWindow::DisplayContents()
{
    if (!m_bookAdded)
        return false;
    wxLogNull quiet;
    return m_controller->DisplayContents();
}
