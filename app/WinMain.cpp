#include "app/DllSearchPath.h"
#include "app/OptimizeApp.h"

#include <windows.h>

// Runs before any other start-up code of the program, whose first constructors already load
// DLLs (the stack protector's set-up asks Windows' cryptographic provider for its cookie).
[[gnu::constructor(101)]] static void NarrowDllSearchAtStart() noexcept
{
    NarrowDllSearchToSystem();
}

int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/, int /*nCmdShow*/)
{
    COptimizeApp app;
    app.InitInstance();
    return 0;
}
