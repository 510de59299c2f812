#include "hosts/FinalPath.h"

#include "hosts/FileHandle.h"
#include "hosts/WidePath.h"

#include <windows.h>

namespace {

using GetFinalPathNameByHandleWCall = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// Windows XP lacks the call (and symbolic links to files): an empty result there.
std::wstring FinalPathOf(HANDLE hFile)
{
    const auto getFinalPath = reinterpret_cast<GetFinalPathNameByHandleWCall>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
    if (!getFinalPath)
        return {};
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = getFinalPath(hFile, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length >= path.size()) {
        path.resize(length);
        length = getFinalPath(hFile, path.data(), length, 0);
    }
    if (length == 0 || length >= path.size())
        return {};
    path.resize(length);
    // The call names a local file as \\?\C:\..., which the narrow path need not.
    const std::wstring local = L"\\\\?\\";
    if (path.compare(0, local.size(), local) == 0 && path.compare(0, 8, L"\\\\?\\UNC\\") != 0)
        path.erase(0, local.size());
    return path;
}

} // namespace

bool FindFinalPath(const std::string& path, std::string& finalPath)
{
    finalPath = path;
    std::wstring widePath;
    if (!ToWidePath(path, widePath))
        return true;
    // No access asked: this open waits on nothing and is refused by no sharing.
    const CFileHandle file(CreateFileW(widePath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return true;
    const std::wstring final = FinalPathOf(file.Get());
    wchar_t fullPath[MAX_PATH * 2];
    const DWORD fullLength = GetFullPathNameW(widePath.c_str(), MAX_PATH * 2, fullPath, nullptr);
    if (final.empty() || (fullLength > 0 && fullLength < MAX_PATH * 2 && lstrcmpiW(final.c_str(), fullPath) == 0))
        return true;
    return ToAnsiPath(final, finalPath);
}
