#pragma once

// The socket library, started as Windows Sockets 1.1 for the life of this object.
class CSocketLibrary {
public:
    CSocketLibrary() noexcept;
    ~CSocketLibrary();
    CSocketLibrary(const CSocketLibrary&) = delete;
    CSocketLibrary& operator=(const CSocketLibrary&) = delete;

    // False when the library did not start or does not offer version 1.1.
    [[nodiscard]] bool IsStarted() const noexcept { return m_bStarted; }

private:
    bool m_bStarted = false;
};
