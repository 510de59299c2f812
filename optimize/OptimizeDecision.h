#pragma once

#include "optimize/ServerGroup.h"

#include <array>
#include <cstdint>

// The successful attempts of one server group during a run. The arithmetic is 32-bit float on
// purpose: the comparison keys below depend on the exact single-precision values.
struct GroupTally {
    std::int32_t nCount = 0;
    float fSum = 0.0f;

    // Counts one success and adds its time to the sum, rounded to single precision.
    void AddSuccess(float fTime);
    // sum / count rounded to single precision, or kNoReplyAverage without any success.
    float Average() const;
};

using GroupTallies = std::array<GroupTally, kServerGroupCount>;

// The average of a group that never answered; it sorts behind every measured group.
constexpr float kNoReplyAverage = 1000000.0f;

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
OptimizeDecision DecideOptimization(const GroupTallies& tallies);
