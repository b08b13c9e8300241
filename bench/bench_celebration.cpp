// Time per tick of each celebration pattern: the motion alone, as the window
// runs it ten times a second. Prints the median of many batches per pattern.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "celebration/AnimMotion.h"
#include "model/Random.h"

namespace {

struct PatternCase {
    const char* name;
    int bonus;
};

constexpr PatternCase kPatterns[] = {
    {"AnimBorder", 0},       {"AnimEightRows", 5},  {"AnimEightColumns", 10}, {"AnimGrid", 20},
    {"AnimCornerWalk", 50},  {"AnimColumns", 100},  {"AnimZigzag", 200},      {"AnimWander", 500},
    {"AnimBounce", 1000},    {"AnimSpiral", 2000},
};

// The celebration of the 640 x 512 main window: its client less the score strip.
constexpr CAnimSetup kSetup{640, 462, 77, 106, 1};
constexpr int kBatches = 301;
constexpr int kTicksPerBatch = 2000;

int g_sink = 0;

double MedianNanosPerTick(int bonus) {
    CRuntimeRandom random;
    CAnimRunState run;
    CAnimMotion motion(random, run);
    motion.PlayFrame(bonus, kSetup);
    std::vector<double> perTick;
    perTick.reserve(kBatches);
    for (int b = 0; b < kBatches; ++b) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kTicksPerBatch; ++i)
            g_sink += motion.PlayFrame(bonus, kSetup).left;
        const auto stop = std::chrono::steady_clock::now();
        perTick.push_back(std::chrono::duration<double, std::nano>(stop - start).count() / kTicksPerBatch);
    }
    std::nth_element(perTick.begin(), perTick.begin() + kBatches / 2, perTick.end());
    return perTick[kBatches / 2];
}

double FirstTickNanos(int bonus) {
    std::vector<double> times;
    for (int i = 0; i < 1001; ++i) {
        CRuntimeRandom random;
        CAnimRunState run;
        CAnimMotion motion(random, run);
        const auto start = std::chrono::steady_clock::now();
        g_sink += motion.PlayFrame(bonus, kSetup).left;
        const auto stop = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::nano>(stop - start).count());
    }
    std::nth_element(times.begin(), times.begin() + 500, times.end());
    return times[500];
}

}  // namespace

int main() {
    std::printf("celebration motion, client %d x %d, card %d x %d\n", kSetup.nClientWidth, kSetup.nClientHeight,
                kSetup.nCardWidth, kSetup.nCardHeight);
    std::printf("%-18s %6s %16s %16s\n", "pattern", "bonus", "first tick (ns)", "tick (ns, median)");
    for (const PatternCase& p : kPatterns)
        std::printf("%-18s %6d %16.1f %16.2f\n", p.name, p.bonus, FirstTickNanos(p.bonus), MedianNanosPerTick(p.bonus));
    std::printf("(checksum %d; the window ticks every 100 ms)\n", g_sink);
    return 0;
}
