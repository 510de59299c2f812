#include "hosts/LockRetry.h"

#include <algorithm>

namespace {

// Windows' values, here so that the decision builds and is tested on any platform.
constexpr unsigned long kErrorAccessDenied = 5;
constexpr unsigned long kErrorSharingViolation = 32;
constexpr unsigned long kErrorLockViolation = 33;
constexpr unsigned long kErrorUnableToRemoveReplaced = 1175;
constexpr unsigned long kErrorUnableToMoveReplacement = 1176;
constexpr unsigned long kStatusSharingViolation = 0xC0000043;
constexpr unsigned long kStatusFileLockConflict = 0xC0000054;
constexpr unsigned long kStatusLockNotGranted = 0xC0000055;
constexpr unsigned long kStatusDeletePending = 0xC0000056;

constexpr unsigned kLongestPauseMs = 250;

bool IsLockStatus(unsigned long nStatus)
{
    return nStatus == kStatusSharingViolation || nStatus == kStatusFileLockConflict
           || nStatus == kStatusLockNotGranted || nStatus == kStatusDeletePending;
}

} // namespace

bool CLockRetry::IsBriefLock(unsigned long nError, unsigned long nStatus)
{
    switch (nError) {
    case kErrorSharingViolation:
    case kErrorLockViolation:
        return true;
    case kErrorAccessDenied:
        return nStatus == kStatusDeletePending;
    case kErrorUnableToRemoveReplaced:
    case kErrorUnableToMoveReplacement:
        return IsLockStatus(nStatus);
    default:
        return false;
    }
}

unsigned CLockRetry::NextPause(unsigned nElapsedMs)
{
    if (nElapsedMs >= kTotalMs)
        return 0;
    const unsigned nPause = std::min(m_nPauseMs, kTotalMs - nElapsedMs);
    m_nPauseMs = std::min(m_nPauseMs * 2, kLongestPauseMs);
    return nPause;
}
