#pragma once

#include <cstdint>

// The average of a group that never answered; it sorts behind every measured group.
constexpr float kNoReplyAverage = 1000000.0f;

// The successful attempts of one server group during a run. The arithmetic is 32-bit float on
// purpose: the comparison keys of the decision depend on the exact single-precision values.
struct GroupTally {
    std::int32_t nCount = 0;
    float fSum = 0.0f;

    // Counts one success and adds its time to the sum, rounded to single precision.
    void AddSuccess(float fTime);
    // sum / count rounded to single precision, or kNoReplyAverage without any success.
    float Average() const;
};
