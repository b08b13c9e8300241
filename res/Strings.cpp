#include "Strings.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "resource.h"

namespace {

struct StringRow {
    int id;
    const char* text;
};

// Eight blanks stand between the title and the holder in the caption.
constexpr StringRow kStrings[] = {
    {IDS_DOC_TEMPLATE, "KadorinTolvane３２\n\nTolvan\n\n\nTolvane32.Document\nTolvan Document"},
    {IDS_APP_TITLE, "KadorinTolvane３２        最高得点者： %s さん（ %d 点）"},
    {IDS_APP_ABOUT_PROMPT, "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示\nﾊﾞｰｼﾞｮﾝ情報"},
    {IDS_APP_EXIT_PROMPT, "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示\n終了"},
    {IDS_MSG_CAPTION, "KadorinTolvane３２"},
    {IDS_CLEAR_NO_BONUS, "おめでとう！\n（クリア時間は %d 秒です。）\n\nカードを配りますが良いですか？"},
    {IDS_CLEAR_BONUS,
     "おめでとう！ボーナス %d 点が与えられました。\n（クリア時間は %d 秒です。）\n\nカードを配りますが良いですか？"},
    {IDS_JOKER_NOTICE,
     "ジョーカーはどのカードとも組み合わせて消す事ができますが使用するとボーナスは半減します。\n処理を継続しますか？"},
    {IDS_NOT_THIRTEEN, "２枚のカードの合計が１３になっていません。"},
    {IDS_BONUS_LINE, "終了させた場合のボーナスは %d 点です"},
    {IDS_SCORE_LABEL, "得点： "},
    {IDS_FAST_RECORD, "最速クリア情報： %s さんが %d 秒でクリアしました！"},
    {IDS_FAST_NONE, "最速クリア情報： 記録なし"},
    {IDS_SCORE_ACHIEVED, "あなたの得点は %d 点です。"},
    {IDS_CLEAR_ACHIEVED, "%d 秒でゲームがクリアされました。"},
    {IDS_GAME_LOST, "残念でした。\n\nカードを配りますが良いですか？"},
    {IDS_EXIT_CONFIRM, "KadorinTolvane３２を終了します。"},
    {IDS_MENU_GAME, "ｹﾞｰﾑ(&G)"},
    {IDS_MENU_DEAL, "ｶｰﾄﾞを配る(&N)"},
    {IDS_MENU_UNDO, "元に戻す(&U)"},
    {IDS_MENU_CARDBACK, "ｶｰﾄﾞの模様を変更する(&C)"},
    {IDS_MENU_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"},
    {IDS_MENU_HELP, "ﾍﾙﾌﾟ(&H)"},
    {IDS_MENU_HELP_FINDER, "KadorinTolvane３２の遊び方(&H)..."},
    {IDS_MENU_ABOUT, "KadorinTolvane３２のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    {IDS_DLG_ABOUT_CAPTION, "KadorinTolvane３２のﾊﾞｰｼﾞｮﾝ情報"},
    {IDS_DLG_ABOUT_VERSION, "KadorinTolvane３２ Version 1.0"},
    {IDS_DLG_NAME_CAPTION, "プレイヤー名の入力"},
    {IDS_DLG_NAME_PROMPT, "これは過去最高ですので、お名前をどうぞ\n（キャンセル時には保存されません）"},
    {IDS_DLG_CARDBACK_CAPTION, "カード絵柄の選択"},
    {IDS_DLG_OK, "OK"},
    {IDS_DLG_CANCEL, "ｷｬﾝｾﾙ"},
    {IDS_DLG_FONT, "ＭＳ Ｐゴシック"},
    {IDS_DLG_YES, "はい(&Y)"},
    {IDS_DLG_NO, "いいえ(&N)"},
};

}  // namespace

const char* LoadResString(int id)
{
    for (const StringRow& row : kStrings) {
        if (row.id == id)
            return row.text;
    }
    return "";
}

std::string FormatResString(int id, ...)
{
    const char* format = LoadResString(id);
    va_list args;
    va_start(args, id);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        result.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
    return result;
}
