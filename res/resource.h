// Identifiers of every resource of the program: pictures, sounds, the tune,
// menu commands, dialogs and controls, and the string table.
#pragma once

// Icons, menu and document template.
constexpr int IDR_MAINFRAME = 128;

// Dialogs.
constexpr int IDD_ABOUTBOX = 100;
constexpr int IDD_PLAYERNAME = 195;
constexpr int IDD_CARDBACK = 200;

// Controls. OK and Cancel carry the numbers of the answers they give; the
// static controls the layout leaves without a number get one for lookup.
constexpr int IDC_OK = 1;
constexpr int IDC_CANCEL = 2;
constexpr int IDC_COVER_PREV = 1000;
constexpr int IDC_COVER_NEXT = 1001;
constexpr int IDC_COVER_FRAME = 1002;
constexpr int IDC_SCORE = 1003;
constexpr int IDC_NAME = 1004;
constexpr int IDC_NAME_PROMPT = 1005;
constexpr int IDC_ABOUT_ICON = 1006;
constexpr int IDC_ABOUT_VERSION = 1007;

// Card pictures. Faces: hearts 162..174, diamonds 149..161, clubs 133..145,
// spades 179..191 (ace to king), jokers 175 and 176.
constexpr int IDB_CLUBS_FIRST = 133;
constexpr int IDB_DIAMONDS_FIRST = 149;
constexpr int IDB_HEARTS_FIRST = 162;
constexpr int IDB_SPADES_FIRST = 179;
constexpr int IDB_JOKER1 = 175;
constexpr int IDB_JOKER2 = 176;
constexpr int IDB_BACK0 = 146;
constexpr int IDB_BACK1 = 147;
constexpr int IDB_BACK2 = 148;
constexpr int IDB_BACK3 = 197;
constexpr int IDB_STOCK_NG = 177;
constexpr int IDB_STOCK_OK = 178;

// Sounds and the tune.
constexpr int IDR_SOUND_CARD = 300;
constexpr int IDR_SOUND_JOKER = 301;
constexpr int IDR_MIDI_TUNE = 350;

// The how-to-play book and the help window's message catalog.
constexpr int IDR_HELP_PROJECT = 400;
constexpr int IDR_HELP_CONTENTS = 401;
constexpr int IDR_HELP_INDEX = 402;
constexpr int IDR_HELP_PAGE = 403;
constexpr int IDR_HELP_CATALOG = 404;

// Menu commands.
constexpr int ID_GAME_DEAL = 32771;
constexpr int ID_GAME_UNDO = 32772;
constexpr int ID_GAME_CARDBACK = 32773;
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_HELP_FINDER = 57667;

// String table.
constexpr int IDS_DOC_TEMPLATE = 128;
constexpr int IDS_APP_TITLE = 57344;       // caption format: holder %s, score %d
constexpr int IDS_APP_ABOUT_PROMPT = 57664;
constexpr int IDS_APP_EXIT_PROMPT = 57665;
constexpr int IDS_MSG_CAPTION = 60001;
constexpr int IDS_CLEAR_NO_BONUS = 60002;  // seconds
constexpr int IDS_CLEAR_BONUS = 60003;     // bonus, seconds
constexpr int IDS_JOKER_NOTICE = 60006;
constexpr int IDS_NOT_THIRTEEN = 60007;
constexpr int IDS_BONUS_LINE = 60008;      // bonus
constexpr int IDS_SCORE_LABEL = 60009;
constexpr int IDS_FAST_RECORD = 60010;     // name, seconds
constexpr int IDS_FAST_NONE = 60011;
constexpr int IDS_SCORE_ACHIEVED = 60012;  // score
constexpr int IDS_CLEAR_ACHIEVED = 60013;  // seconds
constexpr int IDS_GAME_LOST = 60014;
constexpr int IDS_EXIT_CONFIRM = 60015;

// Texts of the menu and the dialogs, kept in the same table under ids of
// their own (the menu and dialog resources of the original layout).
constexpr int IDS_MENU_GAME = 61001;
constexpr int IDS_MENU_DEAL = 61002;
constexpr int IDS_MENU_UNDO = 61003;
constexpr int IDS_MENU_CARDBACK = 61004;
constexpr int IDS_MENU_EXIT = 61005;
constexpr int IDS_MENU_HELP = 61006;
constexpr int IDS_MENU_HELP_FINDER = 61007;
constexpr int IDS_MENU_ABOUT = 61008;
constexpr int IDS_DLG_ABOUT_CAPTION = 61020;
constexpr int IDS_DLG_ABOUT_VERSION = 61021;
constexpr int IDS_DLG_NAME_CAPTION = 61030;
constexpr int IDS_DLG_NAME_PROMPT = 61031;
constexpr int IDS_DLG_CARDBACK_CAPTION = 61040;
constexpr int IDS_DLG_OK = 61050;
constexpr int IDS_DLG_CANCEL = 61051;
constexpr int IDS_DLG_FONT = 61052;  // the face the dialog resources name
constexpr int IDS_DLG_YES = 61053;
constexpr int IDS_DLG_NO = 61054;
