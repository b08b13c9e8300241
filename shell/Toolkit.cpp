#include "shell/Toolkit.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

#include <wx/log.h>

bool InitializeToolkit(const std::function<bool()>& initialize)
{
    // The toolkit loads the system's OpenGL driver while it connects to the
    // display, only to choose visuals for GL drawing; with Mesa's software
    // renderer that was a third of all the start-up work, and the driver
    // stays mapped. Neither program draws GL. A player's own setting wins,
    // and the variable is taken back afterwards so that no program started
    // from here inherits it.
    const bool ownGlSetting = std::getenv("GDK_GL") == nullptr;
    if (ownGlSetting)
        setenv("GDK_GL", "disable", 0);
    // GTK's own texts (a text field's menu, the print dialog) come from its
    // message catalogs, chosen by the locale; the game speaks Japanese
    // whatever the player's. The C locale reads no catalog at all, so there
    // the messages alone move to its UTF-8 twin, which does. The variable
    // stays: the catalogs are read at each text.
    setenv("LANGUAGE", "ja", 1);
    wxLogNull quiet;
    const bool ok = initialize();
    if (ownGlSetting)
        unsetenv("GDK_GL");
    const char* messages = std::setlocale(LC_MESSAGES, nullptr);
    if (messages == nullptr || std::strcmp(messages, "C") == 0 || std::strcmp(messages, "POSIX") == 0)
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    return ok;
}
