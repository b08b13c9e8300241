#include "FramePacer.h"

#include <thread>

CFramePacer::Clock::time_point CFramePacer::Next(Clock::time_point now)
{
    const Clock::time_point due = now > m_due ? now : m_due;
    m_due = due + m_frame;
    return due;
}

void CFramePacer::Wait()
{
    std::this_thread::sleep_until(Next(Clock::now()));
}
