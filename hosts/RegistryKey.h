#pragma once

#include <windows.h>

// An open registry key, closed with the object.
class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey()
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
    }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens the subkey for reading; false when it cannot be opened.
    [[nodiscard]] bool OpenForReading(HKEY hParent, const char* szSubKey)
    {
        return !m_hKey && RegOpenKeyExA(hParent, szSubKey, 0, KEY_QUERY_VALUE, &m_hKey) == ERROR_SUCCESS;
    }
    HKEY Get() const { return m_hKey; }

private:
    HKEY m_hKey = nullptr;
};
