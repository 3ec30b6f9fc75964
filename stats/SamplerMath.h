// The arithmetic of one throughput sample, apart from any window: rates, levels, the held
// peak over the history of levels, the level picture and the scale label texts.
#pragma once

#include <windows.h>

#include <string>

namespace sampler {

// Steps kept in the history, and steps a raised peak is held before it is recomputed.
constexpr int kHistorySize = 110;
constexpr int kPeakHoldSteps = 110;

// The level of a rate: the next of 10, 50, 100, 250, 500, 1000 above it (a rate equal to a
// step maps to the step after it; everything from 500 on is 1000).
int ScaleStep(int rate);

// One direction's rate of a step: the counter's growth modulo 2^32 divided by the divisor,
// read as a signed 32-bit number and taken as its size, so a counter that went backwards by
// a little gives the size of the drop. A rate of 0 counts as 1.
int StepRate(UINT counterNow, UINT counterBefore, UINT divisor);

// The level of a step: the larger of the two directions' levels.
int StepLevel(int inRate, int outRate);

// The ring of levels with the peak held over it. It works on the fields of whoever owns
// them (the main window), one step at a time.
struct LevelHistory {
    int (&slots)[kHistorySize];
    int& writeIndex;  // slot of the current step; 110 wraps to 0 at the start of a step
    int& peakLevel;
    int& peakHold;    // steps left before the peak is recomputed

    // Stores one step's level and moves on. True when the peak is to be published: it was
    // raised (or met) by this level, or its hold ran out and it was recomputed.
    bool Record(int level);

private:
    // The last slot holding the largest level becomes the peak, held until the ring next
    // overwrites that slot.
    void Recompute();
};

// The level picture of a peak, 1 (below 10) to 6 (500 and above), and its GIF resource.
int LoadLevelFor(int peak);
UINT LevelPictureResource(int loadLevel);

// value / divisor as a percentage with one decimal: the text "%.1f%%" gives in the C
// locale. Formed digit by digit, so the decimal point never depends on the user's locale.
std::string PercentLabel(int value, int divisor);

}  // namespace sampler
