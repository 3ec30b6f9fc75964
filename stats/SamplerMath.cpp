#include "stats/SamplerMath.h"

#include <climits>
#include <cstdint>

#include "res/resource.h"

namespace sampler {
namespace {

constexpr int kLevels[] = {10, 50, 100, 250, 500, 1000};
constexpr int kLevelCount = sizeof kLevels / sizeof kLevels[0];
// Level pictures 1..6 go with peaks below these bounds; 6 takes everything from 500 on.
constexpr int kPictureBounds[] = {10, 50, 100, 250, 500};
constexpr UINT kLevelPictures[] = {IDR_GIF_LEVEL1, IDR_GIF_LEVEL2, IDR_GIF_LEVEL3,
                                   IDR_GIF_LEVEL4, IDR_GIF_LEVEL5, IDR_GIF_LEVEL6};

}  // namespace

int ScaleStep(int rate) {
    for (int i = 0; i + 1 < kLevelCount; ++i) {
        if (rate < kLevels[i]) return kLevels[i];
    }
    return kLevels[kLevelCount - 1];
}

int StepRate(UINT counterNow, UINT counterBefore, UINT divisor) {
    UINT quotient = (counterNow - counterBefore) / (divisor == 0 ? 1u : divisor);
    int rate;
    if (quotient <= static_cast<UINT>(INT_MAX)) {
        rate = static_cast<int>(quotient);
    } else {
        // A negative reading: its size, where -2^31 (which has none in 32 bits) stays the largest rate.
        UINT size = 0u - quotient;
        rate = size > static_cast<UINT>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    }
    return rate == 0 ? 1 : rate;
}

int StepLevel(int inRate, int outRate) {
    int in = ScaleStep(inRate);
    int out = ScaleStep(outRate);
    return in >= out ? in : out;
}

bool LevelHistory::Record(int level) {
    if (writeIndex < 0 || writeIndex >= kHistorySize) writeIndex = 0;
    slots[writeIndex] = level;
    bool publish = true;
    if (level >= peakLevel) {
        peakHold = kPeakHoldSteps;
        peakLevel = level;
    } else if (peakHold >= 1) {
        --peakHold;
        publish = false;
    } else {
        Recompute();
    }
    ++writeIndex;
    return publish;
}

void LevelHistory::Recompute() {
    int best = 1;
    int index = 0;
    for (int i = 0; i < kHistorySize; ++i) {
        if (slots[i] >= best) {
            index = i;
            best = slots[i];
        }
    }
    peakLevel = slots[index];
    peakHold = index > writeIndex ? index - writeIndex : kHistorySize - writeIndex + index;
}

int LoadLevelFor(int peak) {
    int level = 1;
    for (int bound : kPictureBounds) {
        if (peak < bound) return level;
        ++level;
    }
    return level;
}

UINT LevelPictureResource(int loadLevel) {
    if (loadLevel < 1) loadLevel = 1;
    if (loadLevel > kLevelCount) loadLevel = kLevelCount;
    return kLevelPictures[loadLevel - 1];
}

std::string PercentLabel(int value, int divisor) {
    if (divisor == 0) divisor = 1;
    // Tenths of the quotient, rounded half away from zero (published peaks are always even,
    // so a half never occurs with the divisors 10 and 20).
    std::int64_t numerator = static_cast<std::int64_t>(value) * 10;
    std::int64_t tenths = numerator / divisor;
    std::int64_t rest = numerator % divisor;
    if (rest != 0 && 2 * (rest < 0 ? -rest : rest) >= (divisor < 0 ? -divisor : divisor)) {
        tenths += ((numerator < 0) != (divisor < 0)) ? -1 : 1;
    }
    bool negative = tenths < 0;
    std::uint64_t size = negative ? 0 - static_cast<std::uint64_t>(tenths) : static_cast<std::uint64_t>(tenths);

    char digits[32];
    int n = 0;
    digits[n++] = '%';
    digits[n++] = static_cast<char>('0' + size % 10);
    digits[n++] = '.';
    size /= 10;
    do {
        digits[n++] = static_cast<char>('0' + size % 10);
        size /= 10;
    } while (size != 0);
    if (negative) digits[n++] = '-';

    std::string text;
    while (n > 0) text += digits[--n];
    return text;
}

}  // namespace sampler
