#include "WxHost.h"

#include <ctime>

#include <wx/utils.h>

#include "model/Random.h"
#include "shell/Dialogs.h"

int CWxHost::Rand()
{
    return ProcessRandom().Rand();
}

TimeSecs CWxHost::Now()
{
    return static_cast<TimeSecs>(std::time(nullptr));
}

void CWxHost::Beep()
{
    wxBell();
}

int CWxHost::AskPlayerName(const std::string& achievement, std::string& name)
{
    return RunPlayerNameDialog(m_pParent, achievement, name);
}
