#pragma once

#ifdef _WIN32
#include <windows.h>

// Points this program's import of one function of a DLL at a stand-in for the object's lifetime,
// so a test can make a system call fail the way only a rare fault on Windows would. Every call
// that the program makes through its import table, the code under test's too, reaches the
// stand-in; the original stays callable through Original().
class CImportPatch {
public:
    CImportPatch(const char* szDll, const char* szFunction, void* pStandIn);
    ~CImportPatch();
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;

    // False when the program does not import the function from that DLL.
    explicit operator bool() const { return m_pSlot != nullptr; }
    void* Original() const { return m_pOriginal; }

private:
    void** m_pSlot = nullptr;
    void* m_pOriginal = nullptr;
};
#endif
