#pragma once

#include "optimize/GroupTally.h"
#include "optimize/ServerGroup.h"

#include <array>
#include <cstdint>

using GroupTallies = std::array<GroupTally, kServerGroupCount>;

enum class OptimizeOutcome {
    ApplyRouteTable, // the group nGroupIndex is clearly the fastest
    NoNeed,          // the two fastest groups are equal to a tenth of a millisecond
    NoNetwork,       // no group answered at all
};

struct OptimizeDecision {
    OptimizeOutcome outcome;
    int nGroupIndex; // 0, 1 or 2 with ApplyRouteTable; -1 otherwise
};

// The probe's integer result as the single-precision attempt time the run works with.
float AttemptTime(std::int32_t nRoundTrip);

// The average in whole tenths of a millisecond: trunc(double(average) * 10), low 32 bits, signed.
std::int32_t ComparisonKey(float fAverage);

// Decides the run's outcome from the three groups' tallies.
[[nodiscard]] OptimizeDecision DecideOptimization(const GroupTallies& tallies);
