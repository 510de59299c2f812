#pragma once

#include <windows.h>

// A DLL of Windows, loaded from the system directory only, for the object's lifetime: never
// from the program's folder, the current directory or PATH, where anyone may have left a DLL of
// that name. Windows XP and 2000 keep some of their DLLs elsewhere (GDI+ of XP in its
// side-by-side store): such a DLL is not found there, and Get() is null.
class CSystemLibrary {
public:
    explicit CSystemLibrary(const wchar_t* szFileName) noexcept;
    ~CSystemLibrary();
    CSystemLibrary(const CSystemLibrary&) = delete;
    CSystemLibrary& operator=(const CSystemLibrary&) = delete;

    HMODULE Get() const noexcept { return m_hModule; }

private:
    HMODULE m_hModule = nullptr;
};
