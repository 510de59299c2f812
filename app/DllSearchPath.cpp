#include "app/DllSearchPath.h"

#include <windows.h>

namespace {

using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryWCall = BOOL(WINAPI*)(LPCWSTR);

// Both calls are looked up rather than imported: Windows would refuse to start a program that
// imports a call it lacks (XP lacks the first, its first release the second).
template <typename Call>
Call FindInKernel32(const char* szName) noexcept
{
    return reinterpret_cast<Call>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), szName)));
}

}  // namespace

void NarrowDllSearchToSystem() noexcept
{
    const auto setDefaultDllDirectories = FindInKernel32<SetDefaultDllDirectoriesCall>("SetDefaultDllDirectories");
    if (setDefaultDllDirectories) setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const auto setDllDirectory = FindInKernel32<SetDllDirectoryWCall>("SetDllDirectoryW");
    if (setDllDirectory) setDllDirectory(L"");
}
