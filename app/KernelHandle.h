#pragma once

#include <windows.h>

// Owns a kernel object handle and closes it.
class CKernelHandle {
public:
    explicit CKernelHandle(HANDLE h = nullptr) noexcept : m_h(h) {}
    ~CKernelHandle() { Close(); }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    CKernelHandle(CKernelHandle&& other) noexcept : m_h(other.m_h) { other.m_h = nullptr; }
    CKernelHandle& operator=(CKernelHandle&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_h = other.m_h;
            other.m_h = nullptr;
        }
        return *this;
    }
    HANDLE Get() const noexcept { return m_h; }

private:
    void Close() noexcept
    {
        if (m_h) CloseHandle(m_h);
        m_h = nullptr;
    }
    HANDLE m_h;
};
