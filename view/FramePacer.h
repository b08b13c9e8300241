// Paces a blocking animation at a fixed frame time.
//
// A frame that comes late stays late: the next frame is due one frame time
// after the later of its planned time and the moment it was asked for, so a
// slow frame (a busy machine, a slow X server) never makes the following
// frames rush to catch up. Without a pause the falling card would run as fast
// as the machine draws, which is far too fast to see on today's machines.
#pragma once

#include <chrono>

class CFramePacer {
public:
    using Clock = std::chrono::steady_clock;

    CFramePacer(Clock::duration frame, Clock::time_point start) : m_frame(frame), m_due(start + frame) {}

    // The moment to wait for, asked at now; plans the frame after it.
    Clock::time_point Next(Clock::time_point now);

    // Sleeps until the next frame is due.
    void Wait();

private:
    Clock::duration m_frame;
    Clock::time_point m_due;
};
