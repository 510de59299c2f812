#include "optimize/OptimizeDecision.h"

#include "optimize/StoredFloat.h"

#include <utility>

float AttemptTime(std::int32_t nRoundTrip)
{
    return StoredFloat(static_cast<float>(nRoundTrip));
}

std::int32_t ComparisonKey(float fAverage)
{
    // The product of a float and 10 is exact in double, so no rounding can lift it to the
    // next tenth before the truncation.
    const auto nTenths = static_cast<std::int64_t>(static_cast<double>(fAverage) * 10.0);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(nTenths));
}

OptimizeDecision DecideOptimization(const GroupTallies& tallies)
{
    float v[kServerGroupCount];
    int idx[kServerGroupCount];
    for (int g = 0; g < kServerGroupCount; ++g) {
        v[g] = tallies[g].Average();
        idx[g] = g;
    }

    if (ComparisonKey(v[1]) == ComparisonKey(v[0]) && ComparisonKey(v[1]) == ComparisonKey(v[2])) {
        // Three equal keys with a group at the sentinel: every group failed every attempt.
        for (const float fAverage : v) {
            if (fAverage >= kNoReplyAverage)
                return {OptimizeOutcome::NoNetwork, -1};
        }
        return {OptimizeOutcome::NoNeed, -1};
    }

    // Strictly greater only: among equal averages the lower group number stays in front.
    for (int n = kServerGroupCount - 1; n >= 1; --n) {
        for (int j = 0; j < n; ++j) {
            if (v[j] > v[j + 1]) {
                std::swap(v[j], v[j + 1]);
                std::swap(idx[j], idx[j + 1]);
            }
        }
    }

    if (ComparisonKey(v[0]) == ComparisonKey(v[1]))
        return {OptimizeOutcome::NoNeed, -1};
    return {OptimizeOutcome::ApplyRouteTable, idx[0]};
}
