#pragma once

#include "app/KernelHandle.h"

#include <windows.h>

// Start-up: one copy at a time, the socket library, then the main window until it closes.
class COptimizeApp {
public:
    // Always FALSE: the program ends when this returns.
    BOOL InitInstance() noexcept;

private:
    // Marks a running copy; held, never released, until the process ends.
    CKernelHandle m_hMutex;
};
