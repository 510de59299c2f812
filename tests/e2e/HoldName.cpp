// Takes a kernel object name with an event, as any program on the desktop can, and keeps it
// until killed: for the test that the program's single-instance name cannot be switched off.
// Usage: HoldName NAME   (prints "holding" once the event exists; exit status 1 if it cannot)
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const HANDLE hEvent = CreateEventA(nullptr, TRUE, FALSE, argv[1]);
    if (!hEvent || GetLastError() == ERROR_ALREADY_EXISTS) {
        (void)std::printf("could not take the name: error %lu\n", GetLastError());
        return 1;
    }
    (void)std::puts("holding");
    (void)std::fflush(stdout);
    Sleep(INFINITE);
    CloseHandle(hEvent);
    return 0;
}
