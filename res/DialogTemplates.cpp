#include "DialogTemplates.h"

#include <algorithm>

#include "resource.h"

namespace {

constexpr DialogItem kAboutItems[] = {
    {IDC_ABOUT_ICON, 11, 17, 20, 20},
    {IDC_ABOUT_VERSION, 40, 10, 91, 8},
    {IDC_OK, 144, 7, 50, 14},
};

constexpr DialogItem kPlayerNameItems[] = {
    {IDC_OK, 108, 7, 50, 14},
    {IDC_CANCEL, 108, 24, 50, 14},
    {IDC_NAME, 11, 83, 101, 18},
    {IDC_SCORE, 10, 43, 137, 12},
    {IDC_NAME_PROMPT, 10, 61, 136, 17},
};

constexpr DialogItem kCardBackItems[] = {
    {IDC_OK, 97, 7, 50, 14},
    {IDC_CANCEL, 97, 24, 50, 14},
    {IDC_COVER_FRAME, 7, 30, 77, 128},
    {IDC_COVER_PREV, 7, 8, 38, 21},
    {IDC_COVER_NEXT, 46, 8, 38, 21},
};

struct DialogRow {
    int id;
    DialogTemplate dialog;
};

constexpr DialogRow kDialogs[] = {
    {IDD_ABOUTBOX, {IDS_DLG_ABOUT_CAPTION, 201, 44, kAboutItems}},
    {IDD_PLAYERNAME, {IDS_DLG_NAME_CAPTION, 163, 121, kPlayerNameItems}},
    {IDD_CARDBACK, {IDS_DLG_CARDBACK_CAPTION, 157, 165, kCardBackItems}},
};

}  // namespace

const DialogTemplate& FindDialogTemplate(int dialogId)
{
    static constexpr DialogTemplate kNone{};
    const auto* row = std::find_if(std::begin(kDialogs), std::end(kDialogs),
                                   [dialogId](const DialogRow& r) { return r.id == dialogId; });
    return row != std::end(kDialogs) ? row->dialog : kNone;
}

const DialogItem& FindDialogItem(const DialogTemplate& dialog, int controlId)
{
    static constexpr DialogItem kNone{};
    const auto item = std::find_if(dialog.items.begin(), dialog.items.end(),
                                   [controlId](const DialogItem& i) { return i.id == controlId; });
    return item != dialog.items.end() ? *item : kNone;
}
