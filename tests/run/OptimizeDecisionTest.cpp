#include "optimize/OptimizeDecision.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

namespace {

struct Replies {
    std::int32_t nCount;
    float fSum; // milliseconds
};

constexpr Replies kSilent = {0, 0.0f};
constexpr std::int32_t kSilentKey = 10000000;

struct DecisionCase {
    const char* szName;
    Replies groups[3];
    std::int32_t keys[3];
    OptimizeOutcome outcome;
    int nGroupIndex;
};

std::ostream& operator<<(std::ostream& os, const DecisionCase& c) { return os << c.szName; }

constexpr OptimizeOutcome kApply = OptimizeOutcome::ApplyRouteTable;
constexpr OptimizeOutcome kNoNeed = OptimizeOutcome::NoNeed;
constexpr OptimizeOutcome kNoNetwork = OptimizeOutcome::NoNetwork;

const DecisionCase kDecisionCases[] = {
    {"AllSilent", {kSilent, kSilent, kSilent}, {kSilentKey, kSilentKey, kSilentKey}, kNoNetwork, -1},
    {"OnlyGroup2Answers", {kSilent, {5, 160}, kSilent}, {kSilentKey, 320, kSilentKey}, kApply, 1},
    {"OnlyGroup3Answers", {kSilent, kSilent, {5, 100}}, {kSilentKey, kSilentKey, 200}, kApply, 2},
    {"ThreeRepliesAverage30", {{3, 90}, {5, 155}, kSilent}, {300, 310, kSilentKey}, kApply, 0},
    {"AllRepliesUnder1ms", {{5, 0}, {5, 5}, {5, 10}}, {0, 10, 20}, kApply, 0},
    // 12.333333015441895, 12.399999618530273, 12.333333015441895
    {"ThreeEqualKeys", {{3, 37}, {5, 62}, {3, 37}}, {123, 123, 123}, kNoNeed, -1},
    // 15.333333015441895 and 15.399999618530273 are both 153 after the sort
    {"TwoFastestTieAfterSort", {{1, 20}, {3, 46}, {5, 77}}, {200, 153, 153}, kNoNeed, -1},
    // 15.600000381469727 is 156
    {"TwoFastestDifferAfterSort", {{1, 20}, {3, 46}, {5, 78}}, {200, 153, 156}, kApply, 1},
    // 2.5999999046325684 is 25, not 26
    {"ThirteenOverFiveTiesWithTwoAndAHalf", {{5, 13}, {2, 5}, kSilent}, {25, 25, kSilentKey}, kNoNeed, -1},
    {"OneSilentTwoTied", {kSilent, {2, 61}, {4, 122}}, {kSilentKey, 305, 305}, kNoNeed, -1},
    {"TwoExactlyEqualThirdSlower", {{2, 40}, {4, 80}, {1, 50}}, {200, 200, 500}, kNoNeed, -1},
    {"Group1AndGroup3Tie", {{1, 20}, {1, 50}, {2, 40}}, {200, 500, 200}, kNoNeed, -1},
    {"FastestAheadOfATie", {{1, 10}, {3, 46}, {5, 77}}, {100, 153, 153}, kApply, 0},
    {"ReverseOrder", {{5, 250}, {5, 200}, {5, 150}}, {500, 400, 300}, kApply, 2},
    {"OneTenthApart", {{5, 101}, {5, 100}, kSilent}, {202, 200, kSilentKey}, kApply, 1},
};

class DecisionTest : public testing::TestWithParam<DecisionCase> {};

TEST_P(DecisionTest, KeysAndOutcome)
{
    const DecisionCase& c = GetParam();
    GroupTallies tallies;
    for (int g = 0; g < 3; ++g) {
        tallies[g].nCount = c.groups[g].nCount;
        tallies[g].fSum = c.groups[g].fSum;
        EXPECT_EQ(ComparisonKey(tallies[g].Average()), c.keys[g]) << "group " << g + 1;
    }

    const OptimizeDecision decision = DecideOptimization(tallies);
    EXPECT_EQ(decision.outcome, c.outcome);
    EXPECT_EQ(decision.nGroupIndex, c.nGroupIndex);
}

INSTANTIATE_TEST_SUITE_P(Table, DecisionTest, testing::ValuesIn(kDecisionCases),
                         [](const testing::TestParamInfo<DecisionCase>& info) { return info.param.szName; });

TEST(GroupTallyTest, AveragesInSinglePrecision)
{
    GroupTally tally;
    EXPECT_EQ(tally.Average(), kNoReplyAverage);
    for (const float fTime : {3.0f, 2.0f, 3.0f, 2.0f, 3.0f})
        tally.AddSuccess(fTime);
    EXPECT_EQ(tally.nCount, 5);
    EXPECT_EQ(tally.fSum, 13.0f);
    EXPECT_EQ(static_cast<double>(tally.Average()), 2.5999999046325684);
    EXPECT_EQ(ComparisonKey(tally.Average()), 25);
}

TEST(GroupTallyTest, AttemptTimeIsTheProbeResultAsFloat)
{
    EXPECT_EQ(AttemptTime(47), 47.0f);
    EXPECT_EQ(AttemptTime(0), 0.0f);
    EXPECT_LT(AttemptTime(-3), 0.0f);
    // Above 2^24 the single-precision value is what the run prints and sums.
    EXPECT_EQ(static_cast<double>(AttemptTime(16777217)), 16777216.0);
}

} // namespace
