#include "hosts/HeldFile.h"

#include "hosts/WidePath.h"

#include <windows.h>

namespace {

// Volume and file index say which file it is; size and last write time whether it changed.
bool StateOf(HANDLE hFile, std::array<unsigned long long, 4>& state)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(hFile, &information))
        return false;
    state = {information.dwVolumeSerialNumber,
             (static_cast<unsigned long long>(information.nFileIndexHigh) << 32) | information.nFileIndexLow,
             (static_cast<unsigned long long>(information.nFileSizeHigh) << 32) | information.nFileSizeLow,
             (static_cast<unsigned long long>(information.ftLastWriteTime.dwHighDateTime) << 32)
                 | information.ftLastWriteTime.dwLowDateTime};
    return true;
}

} // namespace

bool CHeldFile::NoteState()
{
    return StateOf(m_file.Get(), m_state);
}

bool CHeldFile::IsUnchangedAt(const std::string& path) const
{
    std::wstring widePath;
    if (!ToWidePath(path, widePath))
        return false;
    // Reading attributes is open to anyone, whatever share mode the file's other handles have.
    const CFileHandle named(CreateFileW(widePath.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    State state{};
    return named.IsOpen() && StateOf(named.Get(), state) && state == m_state;
}
