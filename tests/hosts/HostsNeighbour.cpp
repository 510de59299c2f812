// Another program using HOSTS beside a rewrite, for the tests of sharing it (Windows only, run
// under the same Wine server as the rewrite). It waits until WATCH exists (the rewrite's new
// file appearing), then:
//   hold WATCH PATH MS      opens PATH for reading, sharing reading and writing but not
//                           deleting (as a virus scanner or an editor may), holds it MS
//                           milliseconds and closes it;
//   append WATCH PATH TEXT  appends TEXT and CR LF to PATH, trying again while another handle
//                           refuses it or PATH is missing for a moment, for at most 20 s (as a
//                           careful writer does).
// It prints "watching" once it watches, and at the end what it did. Exit status 0 when it held or
// appended, 1 when it could not, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::wstring Wide(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

void WaitFor(const std::wstring& watch)
{
    (void)std::puts("watching");
    (void)std::fflush(stdout);
    while (GetFileAttributesW(watch.c_str()) == INVALID_FILE_ATTRIBUTES)
        Sleep(1);
}

int Hold(const std::wstring& path, DWORD nMilliseconds)
{
    const HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        (void)std::printf("could not open HOSTS: error %lu\n", GetLastError());
        return 1;
    }
    Sleep(nMilliseconds);
    CloseHandle(hFile);
    (void)std::printf("held HOSTS for %lu ms\n", nMilliseconds);
    return 0;
}

int Append(const std::wstring& path, const std::string& text)
{
    int nRefusals = 0;
    const DWORD nStart = GetTickCount();
    for (;;) {
        const HANDLE hFile = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            const std::string line = text + "\r\n";
            DWORD nWritten = 0;
            const BOOL bWritten = WriteFile(hFile, line.data(), static_cast<DWORD>(line.size()), &nWritten, nullptr);
            CloseHandle(hFile);
            if (!bWritten || nWritten != line.size()) {
                (void)std::printf("could not append: error %lu\n", GetLastError());
                return 1;
            }
            (void)std::printf("appended after %d refusals\n", nRefusals);
            return 0;
        }
        const DWORD nError = GetLastError();
        // Replacing a file renames it away and the new one in, so for a moment there is no HOSTS:
        // a careful writer tries again rather than make a file of its own.
        const bool bRefused = nError == ERROR_SHARING_VIOLATION || nError == ERROR_FILE_NOT_FOUND;
        if (!bRefused || GetTickCount() - nStart > 20000) {
            (void)std::printf("could not open HOSTS: error %lu after %d refusals\n", nError, nRefusals);
            return 1;
        }
        ++nRefusals;
        Sleep(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5)
        return 2;
    const std::wstring watch = Wide(argv[2]);
    const std::wstring path = Wide(argv[3]);
    if (std::strcmp(argv[1], "hold") == 0) {
        const DWORD nMilliseconds = static_cast<DWORD>(std::strtoul(argv[4], nullptr, 10));
        WaitFor(watch);
        return Hold(path, nMilliseconds);
    }
    if (std::strcmp(argv[1], "append") == 0) {
        WaitFor(watch);
        return Append(path, argv[4]);
    }
    return 2;
}
