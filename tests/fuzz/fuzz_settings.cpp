// Fuzz target: any bytes as the settings file. Reads must give sane values
// and a write must leave a file that reads back what was written.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/Settings.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

const std::string& FilePath()
{
    static const std::string path = [] {
        char folder[] = "/tmp/tolvane-fuzz-XXXXXX";
        const char* made = mkdtemp(folder);
        return std::string(made != nullptr ? made : "/tmp") + "/tolvane32.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = FilePath();
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    CProfileSettings settings(path);
    const int cover = settings.GetInt("Customize", "iCover", 0);
    (void)cover;
    const std::string name = settings.GetString("FastGameOver", "strFastPlayer", "");
    Check(name.size() <= NAME_MAX_UTF8);
    const std::string champ = settings.GetString("MaxPoint", "strChamp", "None");
    Check(champ.size() <= NAME_MAX_UTF8);
    // Reading never writes.
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::string after(size + 1, '\0');
        after.resize(std::fread(after.data(), 1, after.size(), file));
        std::fclose(file);
        Check(after.size() == size && (size == 0 || std::memcmp(after.data(), data, size) == 0));
    }

    settings.WriteString("MaxPoint", "iMaxPoint", "1234");
    // A file the game does not take for its own (too big, or binary) is left
    // alone; any other must read back what was written.
    const bool foreign = size > static_cast<std::size_t>(CProfileSettings::MAX_FILE_BYTES) ||
                         std::memchr(data, 0, size) != nullptr;
    if (!foreign)
        Check(settings.GetInt("MaxPoint", "iMaxPoint", 0) == 1234);
    return 0;
}
