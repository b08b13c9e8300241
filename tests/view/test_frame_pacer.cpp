// Frame pacing of the falling card: fixed steps, and a late frame stays late.
#include <gtest/gtest.h>

#include "view/FramePacer.h"

namespace {

using namespace std::chrono_literals;
using Clock = CFramePacer::Clock;

TEST(FramePacer, FramesOnTimeFollowEachOtherByOneFrameTime)
{
    const Clock::time_point start{};
    CFramePacer pacer(16ms, start);
    EXPECT_EQ(pacer.Next(start + 2ms), start + 16ms);
    EXPECT_EQ(pacer.Next(start + 20ms), start + 32ms);
    EXPECT_EQ(pacer.Next(start + 32ms), start + 48ms);
}

TEST(FramePacer, ALateFrameIsNotMadeUpByRushingTheNextOnes)
{
    const Clock::time_point start{};
    CFramePacer pacer(16ms, start);
    // The first frame took 50 ms: it shows at once, and the next one a whole
    // frame time later, not at the 32 or 48 ms it was planned for.
    EXPECT_EQ(pacer.Next(start + 50ms), start + 50ms);
    EXPECT_EQ(pacer.Next(start + 51ms), start + 66ms);
    EXPECT_EQ(pacer.Next(start + 70ms), start + 82ms);
}

TEST(FramePacer, WaitSleepsForAboutOneFrame)
{
    CFramePacer pacer(20ms, Clock::now());
    const auto before = Clock::now();
    pacer.Wait();
    pacer.Wait();
    EXPECT_GE(Clock::now() - before, 30ms);
}

}  // namespace
