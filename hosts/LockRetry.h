#pragma once

// Another program holding a file open (a virus scanner looks at HOSTS the moment it changes, an
// editor keeps it open) makes a file call fail for a moment. Such a call is tried again with a
// growing pause, for about two seconds in all; any other failure is final at once.
class CLockRetry {
public:
    // The whole time a lock is waited out, in milliseconds.
    static constexpr unsigned kTotalMs = 2000;

    // Whether a failure with this Windows error and the NT status behind it is another process's
    // open handle: a sharing or lock violation, or access denied to a file whose deletion is
    // pending (it goes once its last handle closes). A replace that could not move a file says
    // only that; the status behind it tells whether a lock was the cause.
    [[nodiscard]] static bool IsBriefLock(unsigned long nError, unsigned long nStatus);

    // How long to pause before the next try, given the milliseconds since the first one; 0 when
    // the time is up and the failure stands.
    [[nodiscard]] unsigned NextPause(unsigned nElapsedMs);

private:
    unsigned m_nPauseMs = 10;
};
