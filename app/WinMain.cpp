#include "app/OptimizeApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE /*hInstance*/, HINSTANCE /*hPrevInstance*/, LPSTR /*lpCmdLine*/, int /*nCmdShow*/)
{
    COptimizeApp app;
    app.InitInstance();
    return 0;
}
