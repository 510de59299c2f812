#include "optimize/GroupTally.h"

#include "optimize/StoredFloat.h"

void GroupTally::AddSuccess(float fTime)
{
    ++nCount;
    fSum = StoredFloat(fSum + fTime);
}

float GroupTally::Average() const
{
    if (nCount == 0)
        return kNoReplyAverage;
    return StoredFloat(fSum / static_cast<float>(nCount));
}
