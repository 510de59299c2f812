#include "hosts/HostsFileRead.h"

#include "hosts/LockWait.h"
#include "hosts/WidePath.h"

#include <windows.h>

namespace {

// A read takes a 32-bit length. Past 4 GiB (a 64-bit process) the room left, cut to 32 bits,
// could be 0, which reads nothing and would pass for the end of the file.
constexpr DWORD kMaxReadSize = 0x10000000;

bool Fail(RewriteFailure& failure, const char* szStep)
{
    failure = {szStep, GetLastError()};
    return false;
}

// Reads the open file whole into bytes; the reason in the last error and failure on false.
bool ReadWhole(HANDLE hFile, std::string& bytes, RewriteFailure& failure)
{
    bytes.clear();
    // Only a file on a disk: a read from anything else (a FIFO under Wine) may wait forever.
    LARGE_INTEGER size;
    if (GetFileType(hFile) != FILE_TYPE_DISK) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return Fail(failure, "GetFileType(HOSTS) is no disk file");
    }
    if (!GetFileSizeEx(hFile, &size))
        return Fail(failure, "GetFileSizeEx(HOSTS)");
    // A size that does not fit in a string here (a file of gigabytes in a 32-bit process).
    if (static_cast<unsigned long long>(size.QuadPart) >= bytes.max_size()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return Fail(failure, "HOSTS too large for memory");
    }
    // One byte more than the file holds, so the read that finds its end needs no new buffer.
    bytes.resize(static_cast<std::size_t>(size.QuadPart) + 1);

    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + std::size_t{64} * 1024);
        const std::size_t room = bytes.size() - filled;
        const DWORD toRead = room > kMaxReadSize ? kMaxReadSize : static_cast<DWORD>(room);
        DWORD count = 0;
        if (!ReadFile(hFile, &bytes[filled], toRead, &count, nullptr)) {
            bytes.clear();
            return Fail(failure, "ReadFile(HOSTS)");
        }
        if (count == 0)
            break;
        filled += count;
    }
    bytes.resize(filled);
    return true;
}

} // namespace

HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes, CHeldFile& held,
                                     RewriteFailure& failure)
{
    bytes.clear();
    held.Close();
    std::wstring widePath;
    if (!ToWidePath(path, widePath)) {
        failure = {"HOSTS path in the ANSI code page", GetLastError()};
        return HostsReadResult::Failed;
    }
    // Shared for reading and deleting only: no other program can write the file while it is held,
    // so nothing it writes is lost to the replace, and ReplaceFileW can still move it away, as it
    // opens the file to be replaced with GENERIC_READ, DELETE and SYNCHRONIZE access and shares
    // read, write and delete ("ReplaceFileA function (winbase.h)", lpReplacedFileName, Microsoft
    // Learn). A process that already holds it open for writing, or without sharing reading and
    // deleting, keeps this open from succeeding ("Creating and Opening Files", Microsoft Learn):
    // that is waited out for a moment, as is a lock on a range of it during the read.
    bool bMissing = false;
    const bool bRead = CallWaitingOutLocks([&]() {
        held.Handle().Reset(CreateFileW(widePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!held.IsOpen()) {
            bMissing = GetLastError() == ERROR_FILE_NOT_FOUND;
            return Fail(failure, "CreateFileW(HOSTS) to read it");
        }
        if (!held.NoteState())
            return Fail(failure, "GetFileInformationByHandle(HOSTS)");
        if (ReadWhole(held.Handle().Get(), bytes, failure))
            return true;
        const DWORD nError = GetLastError();
        held.Close();
        SetLastError(nError);
        return false;
    });
    if (bRead)
        return HostsReadResult::Read;
    held.Close();
    return bMissing ? HostsReadResult::Missing : HostsReadResult::Failed;
}
