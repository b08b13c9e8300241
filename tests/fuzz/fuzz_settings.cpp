// Fuzz target: any bytes as the settings file. Reads must give sane values
// and leave the file as it was; a write must leave a file that reads back
// what was written and every other value as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "shell/Settings.h"

#define CHECK(condition) ((condition) ? void() : std::abort())

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/tolvane-fuzz-" + std::to_string(getpid()) + ".ini";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(path, std::ios::binary) << bytes;
    CProfileSettings settings(path);
    settings.GetInt("Customize", "iCover", 0);
    const std::string player = settings.GetString("FastGameOver", "strFastPlayer", "");
    const std::string champ = settings.GetString("MaxPoint", "strChamp", "None");
    CHECK(player.size() <= NAME_MAX_UTF8 && champ.size() <= NAME_MAX_UTF8);
    CHECK(std::string(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {}) == bytes);

    settings.WriteString("MaxPoint", "iMaxPoint", "1234");
    // A file the game does not take for its own (too big, or binary) is left
    // alone; any other must read back what was written.
    const bool foreign = size > std::size_t(CProfileSettings::MAX_FILE_BYTES) || bytes.find('\0') != bytes.npos;
    CHECK(foreign || settings.GetInt("MaxPoint", "iMaxPoint", 0) == 1234);
    CHECK(settings.GetString("FastGameOver", "strFastPlayer", "") == player && settings.GetString("MaxPoint", "strChamp", "None") == champ);
    return 0;
}
