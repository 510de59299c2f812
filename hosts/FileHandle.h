#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

// Owns one open file of the platform (a HANDLE on Windows, a descriptor elsewhere) and closes it.
class CFileHandle {
public:
#ifdef _WIN32
    using Native = HANDLE;
    static Native Invalid() { return INVALID_HANDLE_VALUE; }
#else
    using Native = int;
    static Native Invalid() { return -1; }
#endif

    CFileHandle() = default;
    explicit CFileHandle(Native hFile) : m_hFile(hFile) {}
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    Native Get() const { return m_hFile; }
    bool IsOpen() const { return m_hFile != Invalid(); }

    Native Release()
    {
        const Native hFile = m_hFile;
        m_hFile = Invalid();
        return hFile;
    }

    void Reset(Native hFile)
    {
        Close();
        m_hFile = hFile;
    }

    void Close()
    {
        if (!IsOpen())
            return;
#ifdef _WIN32
        CloseHandle(m_hFile);
#else
        close(m_hFile);
#endif
        m_hFile = Invalid();
    }

private:
    Native m_hFile = Invalid();
};
