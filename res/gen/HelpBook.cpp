#include "HelpBook.h"

#include <cstdint>
#include <span>
#include <utility>

#include "res/HelpFiles.h"
#include "res/Strings.h"
#include "res/resource.h"

namespace {

// A menu entry's text as the player reads it: without its "(&X)" mnemonic
// and the dots that follow it.
std::string MenuLabel(int id)
{
    const std::string text = LoadResString(id);
    return text.substr(0, text.find("(&"));
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

std::string SitemapItem(const std::string& name, const std::string& local)
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
    std::string text = "<html><body>\n<ul>\n";
    for (const Section& s : entries)
        text += SitemapItem(s.heading, std::string(kHelpPage) + "#" + s.anchor);
    return text + "</ul>\n</body></html>\n";
}

std::string ProjectFile()
{
    std::string text = "[OPTIONS]\n";
    text += std::string("Contents file=") + kHelpContents + "\n";
    text += std::string("Index file=") + kHelpIndex + "\n";
    text += std::string("Default topic=") + kHelpPage + "\n";
    text += "Charset=UTF-8\n";
    return text + "Title=" + LoadResString(IDS_MSG_CAPTION) + "の遊び方\n";
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
<p>クリアすると、ボーナス点が得点に加わります。クリアまでの時間が最速クリアの記録になったときは、まず名前の入力を求められます（「記録」を参照）。
続いて音楽が流れ、ボーナスに応じたお祝いのアニメーションが始まります。</p>
<p>ウィンドウのどこかをクリックすると音楽が止まり、ボーナス点（０点のときは表示されません）とクリア時間が表示されて、カードを配るかどうかを聞かれます。
「OK」を選ぶと新しくカードを配ります。「ｷｬﾝｾﾙ」を選ぶとクリアした場がそのまま残り、次は「@DEAL@」で配ります。</p>

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
<p>山札を３回戻し終えて最後までめくり、取り除けるカードがなくなると、「残念でした。」と表示され、カードを配るかどうかを聞かれます。
「OK」を選ぶと新しくカードを配ります。「ｷｬﾝｾﾙ」を選ぶと、そのままの場を眺めることができます。この配りの間は、このメッセージはもう表示されません。</p>

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
<dt><b>@EXIT@</b></dt><dd>確認のあと、ゲームを終了します。得点が最高得点を上回っていれば、終了する前に名前の入力を求められます。
ウィンドウを閉じるボタンでも同じです。</dd>
<dt><b>@ABOUT@</b></dt><dd>バージョン情報を表示します。</dd>
</dl>
</kinsoku>
</body>
</html>
)HTML";

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string PageText()
{
    std::string page = kPageTemplate;
    ReplaceAll(page, "@TITLE@", LoadResString(IDS_MSG_CAPTION));
    ReplaceAll(page, "@DEAL@", MenuLabel(IDS_MENU_DEAL));
    ReplaceAll(page, "@UNDO@", MenuLabel(IDS_MENU_UNDO));
    ReplaceAll(page, "@CARDBACK@", MenuLabel(IDS_MENU_CARDBACK));
    ReplaceAll(page, "@EXIT@", MenuLabel(IDS_MENU_EXIT));
    ReplaceAll(page, "@ABOUT@", MenuLabel(IDS_MENU_ABOUT));
    // A line break of the source inside a Japanese sentence would show as a
    // blank: it goes after any character from U+3000 on, whose UTF-8 lead
    // byte is 0xE3 or above.
    std::string joined;
    std::size_t lead = 0;  // of the character before
    for (std::size_t i = 0; i < page.size(); ++i) {
        const auto byte = static_cast<unsigned char>(page[i]);
        const bool afterWide = static_cast<unsigned char>(page[lead]) >= 0xE3;
        if ((byte & 0xC0) != 0x80)
            lead = i;
        if (byte != '\n' || !afterWide)
            joined += page[i];
    }
    return joined;
}

// The toolkit's Japanese catalog lacks the index's count of shown entries
// (worded as its own "Page %d of %d" is).
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

}  // namespace

std::vector<HelpBookFile> MakeHelpBook()
{
    return {{IDR_HELP_PROJECT, ProjectFile()},
            {IDR_HELP_CONTENTS, SitemapFile(kSections)},
            {IDR_HELP_INDEX, SitemapFile(kKeywords)},
            {IDR_HELP_PAGE, PageText()},
            {IDR_HELP_CATALOG, MessageCatalog()}};
}
