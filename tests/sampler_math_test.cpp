// The arithmetic of one throughput sample: levels, rates from counters that wrap or go
// backwards, the held peak over the ring of levels, level pictures and the label texts.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdio>
#include <string>

#include "res/resource.h"
#include "stats/SamplerMath.h"

namespace {

TEST(ScaleStep, MapsEveryRateToTheNextStepAbove) {
    const int cases[][2] = {
        {INT_MIN, 10}, {-1000, 10}, {-1, 10}, {0, 10},   {9, 10},     {10, 50},   {49, 50},
        {50, 100},     {99, 100},   {100, 250}, {249, 250}, {250, 500}, {499, 500}, {500, 1000},
        {512, 1000},   {1000, 1000}, {INT_MAX, 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(sampler::ScaleStep(c[0]), c[1]);
    }
}

TEST(StepRate, GrowthModulo32BitsBySizeOfItsSignedReading) {
    struct Case {
        const char* label;
        UINT now;
        UINT before;
        UINT divisor;
        int rate;
    };
    const Case cases[] = {
        {"counter wraps", 200, 4294967000u, 1, 496},
        {"backwards, divisor 1: size of the drop", 400, 1000, 1, 600},
        {"backwards, divisor 12207: huge quotient", 400, 1000, 12207, 351844},
        {"no growth counts as 1", 5000, 5000, 1, 1},
        {"growth below the divisor counts as 1", 12000, 0, 12207, 1},
        {"6250000 octets on 100 Mbit/s", 6250000, 0, 12207, 512},
        {"exactly 10", 10, 0, 1, 10},
        {"divisor 0 before any baseline divides by 1", 300, 100, 0, 200},
        {"a reading of -2^31 has no 32-bit size: the largest rate", 0x80000000u, 0, 1, INT_MAX},
        {"largest positive reading", 0x7FFFFFFFu, 0, 1, INT_MAX},
        {"a reading of -1", 0, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(sampler::StepRate(c.now, c.before, c.divisor), c.rate);
    }
}

TEST(StepLevel, TakesTheLargerDirection) {
    EXPECT_EQ(sampler::StepLevel(1, 1), 10);
    EXPECT_EQ(sampler::StepLevel(9, 10), 50);
    EXPECT_EQ(sampler::StepLevel(600, 1), 1000);
    EXPECT_EQ(sampler::StepLevel(1, 120), 250);
}

// The window's four sampler fields, as the constructor leaves them.
class LevelHistoryTest : public ::testing::Test {
protected:
    int slots[sampler::kHistorySize] = {};
    int writeIndex = 0;
    int peakLevel = 10;
    int peakHold = 0;
    sampler::LevelHistory history{slots, writeIndex, peakLevel, peakHold};

    // Records `count` steps of one level; returns how many of them published.
    int Steps(int count, int level) {
        int published = 0;
        for (int i = 0; i < count; ++i) published += history.Record(level) ? 1 : 0;
        return published;
    }
};

TEST_F(LevelHistoryTest, IdleStepsRepublishTheLowestLevel) {
    for (int step = 0; step < 3 * sampler::kHistorySize; ++step) {
        SCOPED_TRACE(step);
        ASSERT_TRUE(history.Record(10));
        ASSERT_EQ(peakLevel, 10);
        ASSERT_EQ(peakHold, 110);
    }
}

TEST_F(LevelHistoryTest, BurstIsHeld110StepsThenRecomputedFromTheLastSlotHoldingTheMaximum) {
    EXPECT_EQ(Steps(1, 10), 1);
    EXPECT_TRUE(history.Record(1000));  // step 2, slot 1
    EXPECT_EQ(peakLevel, 1000);
    EXPECT_EQ(peakHold, 110);

    // 110 idle steps: the burst stays on the scale, nothing is published, and the ring wraps
    // (the burst's own slot is overwritten by the last of them).
    EXPECT_EQ(Steps(110, 10), 0);
    EXPECT_EQ(peakLevel, 1000);
    EXPECT_EQ(peakHold, 0);
    EXPECT_EQ(writeIndex, 2);
    EXPECT_EQ(slots[1], 10);

    // The 111th recomputes: every slot holds 10, the last of them (109) wins, and it is held
    // until the ring comes back to it.
    EXPECT_TRUE(history.Record(10));
    EXPECT_EQ(peakLevel, 10);
    EXPECT_EQ(peakHold, 109 - 2);
    EXPECT_EQ(writeIndex, 3);
}

TEST_F(LevelHistoryTest, RecomputeChoosesTheLastMaximumAndHoldsItUntilItsSlotComesRound) {
    struct Case {
        const char* label;
        int maxSlots[2];  // slots holding 500 (-1: none)
        int writeAt;      // the step's slot, written with 50
        int peak;
        int hold;
    };
    const Case cases[] = {
        {"maximum ahead of the writer", {3, 70}, 20, 500, 50},
        {"maximum behind the writer", {3, 15}, 20, 500, 110 - 20 + 15},
        {"the step's own slot holds the maximum", {-1, -1}, 5, 50, 110},
        {"slot 0 alone", {0, -1}, 109, 500, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        for (int& s : slots) s = 10;
        for (int m : c.maxSlots) {
            if (m >= 0) slots[m] = 500;
        }
        writeIndex = c.writeAt;
        peakLevel = 1000;
        peakHold = 0;
        EXPECT_TRUE(history.Record(50));
        EXPECT_EQ(slots[c.writeAt], 50);
        EXPECT_EQ(peakLevel, c.peak);
        EXPECT_EQ(peakHold, c.hold);
        EXPECT_EQ(writeIndex, c.writeAt + 1);
    }
}

TEST_F(LevelHistoryTest, LowerLevelCountsTheHoldDownWithoutPublishing) {
    peakLevel = 250;
    peakHold = 3;
    EXPECT_FALSE(history.Record(50));
    EXPECT_EQ(peakHold, 2);
    EXPECT_EQ(peakLevel, 250);
    EXPECT_TRUE(history.Record(250));  // meeting the peak raises it again
    EXPECT_EQ(peakHold, 110);
}

TEST_F(LevelHistoryTest, WriterWrapsAtTheStartOfTheStepAfterSlot109) {
    writeIndex = 110;
    history.Record(10);
    EXPECT_EQ(writeIndex, 1);
    EXPECT_EQ(slots[0], 10);
    EXPECT_EQ(Steps(109, 50), 109);  // each meets the peak, so each publishes
    EXPECT_EQ(writeIndex, 110);
    EXPECT_EQ(slots[109], 50);
}

TEST(LevelPicture, SixLevelsByPeak) {
    struct Case {
        int peak;
        int level;
        UINT resource;
    };
    const Case cases[] = {
        {INT_MIN, 1, IDR_GIF_LEVEL1}, {9, 1, 176},    {10, 2, 128},   {49, 2, 128},      {50, 3, 178},
        {99, 3, 178},                 {100, 4, 179},  {249, 4, 179},  {250, 5, 180},     {499, 5, 180},
        {500, 6, 181},                {1000, 6, 181}, {INT_MAX, 6, IDR_GIF_LEVEL6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peak);
        EXPECT_EQ(sampler::LoadLevelFor(c.peak), c.level);
        EXPECT_EQ(sampler::LevelPictureResource(c.level), c.resource);
    }
}

TEST(PercentLabel, TopAndMiddleTextsOfEveryPeak) {
    struct Case {
        int peak;
        const char* top;
        const char* middle;
    };
    const Case cases[] = {
        {10, "1.0%", "0.5%"},     {50, "5.0%", "2.5%"},     {100, "10.0%", "5.0%"},
        {250, "25.0%", "12.5%"},  {500, "50.0%", "25.0%"},  {1000, "100.0%", "50.0%"},
        {0, "0.0%", "0.0%"},      {-250, "-25.0%", "-12.5%"}, {INT_MAX, "214748364.7%", "107374182.4%"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.peak);
        EXPECT_EQ(sampler::PercentLabel(c.peak, 10), c.top);
        EXPECT_EQ(sampler::PercentLabel(c.peak, 20), c.middle);
    }
}

TEST(PercentLabel, KeepsTheDecimalPointUnderALocaleWithADecimalComma) {
    const char* const names[] = {"German_Germany.1252", "de-DE", "German", "de_DE.UTF-8", "fr-FR"};
    const char* chosen = nullptr;
    for (const char* name : names) {
        if (std::setlocale(LC_ALL, name)) {
            chosen = name;
            break;
        }
    }
    if (!chosen) GTEST_SKIP() << "no locale with a decimal comma is available";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.1f", 2.5);
    std::string plain = sampler::PercentLabel(50, 20);
    std::setlocale(LC_ALL, "C");
    if (std::string(printed) != "2,5") GTEST_SKIP() << chosen << " prints " << printed;
    EXPECT_EQ(plain, "2.5%");
}

}  // namespace
