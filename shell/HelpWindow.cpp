#include "shell/HelpWindow.h"

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <pango/pango.h>

#include <wx/display.h>
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

#include "res/Assets.h"
#include "res/HelpFiles.h"
#include "res/resource.h"
#include "shell/Dialogs.h"

namespace {

const char kBookDir[] = "tolvane32-help/";

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

// The help window's own texts that the toolkit's Japanese catalog lacks.
const char kOwnDomain[] = "tolvane32";

class CTranslationsLoader : public wxFileTranslationsLoader {
public:
    wxMsgCatalog* LoadCatalog(const wxString& domain, const wxString& lang) override
    {
        if (domain != kOwnDomain)
            return wxFileTranslationsLoader::LoadCatalog(domain, lang);
        const AssetBlob data = FindHelpFile(IDR_HELP_CATALOG);
        return wxMsgCatalog::CreateFromData(
            wxScopedCharBuffer::CreateNonOwned(reinterpret_cast<const char*>(data.data), data.size), domain);
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
    CHelpController(int style, std::function<void()> closed)
        : wxHtmlHelpController(style), m_closed(std::move(closed))
    {
    }

protected:
    // The frame is closing and goes by itself; the rest goes after it.
    void OnQuit() override { m_closed(); }

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

private:
    std::function<void()> m_closed;
};

// A first size that shows a whole line of the page beside the contents.
const wxSize kFirstSize(820, 600);

}  // namespace

wxString CHelpWindow::BookLocation()
{
    return wxString("memory:") + kBookDir + kHelpProject;
}

wxString CHelpWindow::PageText()
{
    const AssetBlob page = FindHelpFile(IDR_HELP_PAGE);
    return wxString::FromUTF8(reinterpret_cast<const char*>(page.data), page.size);
}

void CHelpWindow::RegisterBook()
{
    static bool s_registered = false;
    if (s_registered)
        return;
    s_registered = true;

    if (!wxFileSystem::HasHandlerForPath("memory:x"))
        wxFileSystem::AddHandler(new wxMemoryFSHandler);
    for (const HelpFileName& file : kHelpFiles) {
        const AssetBlob blob = FindHelpFile(file.id);
        wxMemoryFSHandler::AddFileWithMimeType(wxString(kBookDir) + file.name, blob.data, blob.size, "text/html");
    }
}

CHelpWindow::CHelpWindow(std::function<void()> closed) : m_config(new wxMemoryConfig), m_closed(std::move(closed))
{
    m_config->Write("hcW", static_cast<long>(kFirstSize.x));
    m_config->Write("hcH", static_cast<long>(kFirstSize.y));
    m_config->Write("hcSashPos", 230L);
}

CHelpWindow::~CHelpWindow()
{
    // A frame still open goes first, and at once. The controller would only
    // schedule it for the next idle time, and by then the frame's help
    // window would write into the controller it was given and read its book,
    // both gone with it.
    if (m_controller)
        delete m_controller->GetFrame();
    m_controller.reset();
}

void CHelpWindow::Release()
{
    m_controller.reset();
    // The catalogs serve the help window alone.
    wxTranslations::Set(nullptr);
}

bool CHelpWindow::DisplayContents(int screen)
{
    wxLogNull quiet;
    if (m_controller)
        return m_controller->DisplayContents();

    // The help window's own buttons and tabs speak the program's language.
    if (wxTranslations::Get() == nullptr) {
        auto* translations = new wxTranslations;
        translations->SetLoader(new CTranslationsLoader);
        // By name, and with no language named for the catalogs' own texts:
        // the toolkit would otherwise build its table of every language it
        // knows, half a megabyte kept for the rest of the run.
        translations->SetLanguage("ja");
        translations->AddCatalog("wxstd-" wxSTRINGIZE(wxMAJOR_VERSION) "." wxSTRINGIZE(wxMINOR_VERSION),
                                 wxLANGUAGE_UNKNOWN);
        translations->AddCatalog(kOwnDomain, wxLANGUAGE_UNKNOWN);
        wxTranslations::Set(translations);
    }
    // The size it had when last closed, or the first one; either fits the
    // screen it opens on, which need not be the one it was on before.
    const bool known = screen >= 0 && static_cast<unsigned>(screen) < wxDisplay::GetCount();
    const wxRect area = wxDisplay(known ? static_cast<unsigned>(screen) : 0u).GetClientArea();
    m_config->Write("hcW", std::min(m_config->ReadLong("hcW", kFirstSize.x), static_cast<long>(area.width)));
    m_config->Write("hcH", std::min(m_config->ReadLong("hcH", kFirstSize.y), static_cast<long>(area.height)));

    m_controller = std::make_unique<CHelpController>(
        wxHF_TOOLBAR | wxHF_FLAT_TOOLBAR | wxHF_CONTENTS | wxHF_INDEX | wxHF_SEARCH | wxHF_PRINT | wxHF_MERGE_BOOKS,
        [this] {
            // Not yet: the controller is in the middle of the frame's close.
            // A help opened again meanwhile keeps it.
            CallAfter([this] {
                if (m_controller && m_controller->GetFrame() == nullptr) {
                    Release();
                    if (m_closed)
                        m_closed();
                }
            });
        });
    m_controller->UseConfig(m_config.get());
    m_controller->SetTitleFormat("%s");
    m_controller->SetShouldPreventAppExit(false);
    RegisterBook();
    m_controller->AddBook(BookLocation());
    return m_controller->DisplayContents();
}
