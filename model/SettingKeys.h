// Every value of the settings file, with its section, key and default.
//
// tolvane32.ini:
//   [Customize]     iCover         the card back, 0..3
//   [MaxPoint]      iMaxPoint      the best running score, strChamp its holder
//   [FastGameOver]  lFastTimeSpan  the fastest clear in seconds (0: none), strFastPlayer its holder
#pragma once

struct IntSetting {
    const char* section;
    const char* key;
    int def;
};

struct TextSetting {
    const char* section;
    const char* key;
    const char* def;
};

namespace setting {
constexpr IntSetting kCover{"Customize", "iCover", 0};
constexpr IntSetting kMaxPoint{"MaxPoint", "iMaxPoint", 0};
constexpr TextSetting kChamp{"MaxPoint", "strChamp", "None"};
constexpr IntSetting kFastTime{"FastGameOver", "lFastTimeSpan", 0};
constexpr TextSetting kFastPlayer{"FastGameOver", "strFastPlayer", ""};
}  // namespace setting
