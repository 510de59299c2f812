#include "hosts/HostsFileRead.h"

#include "hosts/FileHandle.h"
#include "hosts/WidePath.h"

#include <windows.h>

namespace {

// A read takes a 32-bit length. Past 4 GiB (a 64-bit process) the room left, cut to 32 bits,
// could be 0, which reads nothing and would pass for the end of the file.
constexpr DWORD kMaxReadSize = 0x10000000;

} // namespace

HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes)
{
    bytes.clear();
    std::wstring widePath;
    if (!ToWidePath(path, widePath))
        return HostsReadResult::Failed;
    const CFileHandle file(CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return GetLastError() == ERROR_FILE_NOT_FOUND ? HostsReadResult::Missing
                                                      : HostsReadResult::Failed;

    // Only a file on a disk: a read from anything else (a FIFO under Wine) may wait forever.
    LARGE_INTEGER size;
    if (GetFileType(file.Get()) != FILE_TYPE_DISK || !GetFileSizeEx(file.Get(), &size))
        return HostsReadResult::Failed;
    // A size that does not fit in a string here (a file of gigabytes in a 32-bit process).
    if (static_cast<unsigned long long>(size.QuadPart) >= bytes.max_size())
        return HostsReadResult::Failed;
    // One byte more than the file holds, so the read that finds its end needs no new buffer.
    bytes.resize(static_cast<std::size_t>(size.QuadPart) + 1);

    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + std::size_t{64} * 1024);
        const std::size_t room = bytes.size() - filled;
        const DWORD toRead = room > kMaxReadSize ? kMaxReadSize : static_cast<DWORD>(room);
        DWORD count = 0;
        if (!ReadFile(file.Get(), &bytes[filled], toRead, &count, nullptr)) {
            bytes.clear();
            return HostsReadResult::Failed;
        }
        if (count == 0)
            break;
        filled += count;
    }
    bytes.resize(filled);
    return HostsReadResult::Read;
}
