#include "skin/SystemLibrary.h"

#include <cwchar>

namespace {

// The LOAD_LIBRARY_SEARCH_ flags came with SetDefaultDllDirectories (Windows 8; Vista and 7 with
// update KB2533623); older systems reject them.
bool KnowsSearchFlags() noexcept
{
    return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
}

// By full path; the DLL's own imports are then looked for beside it, in the system directory,
// before anywhere else.
HMODULE LoadFromSystemDirectory(const wchar_t* szFileName) noexcept
{
    wchar_t szPath[MAX_PATH] = {};
    const UINT nDirectory = GetSystemDirectoryW(szPath, MAX_PATH);
    const std::size_t nName = std::wcslen(szFileName);
    if (nDirectory == 0 || nDirectory + 1 + nName >= MAX_PATH) return nullptr;
    szPath[nDirectory] = L'\\';
    std::wmemcpy(szPath + nDirectory + 1, szFileName, nName + 1);
    return LoadLibraryExW(szPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

CSystemLibrary::CSystemLibrary(const wchar_t* szFileName) noexcept
    : m_hModule(KnowsSearchFlags() ? LoadLibraryExW(szFileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)
                                   : LoadFromSystemDirectory(szFileName))
{
}

CSystemLibrary::~CSystemLibrary()
{
    if (m_hModule) FreeLibrary(m_hModule);
}
