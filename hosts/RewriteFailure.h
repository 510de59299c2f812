#pragma once

// Which step of a HOSTS rewrite failed, and the system's error code for it (GetLastError on
// Windows, errno elsewhere; 0 where the step is a check of ours). For the tools and tests that
// must say why a rewrite failed; the program itself only tells success from failure.
struct RewriteFailure {
    const char* szStep = "";
    unsigned long nError = 0;
};
