// Stands in for a DLL that someone left where a program might load it from (a download folder,
// the current directory). When loaded, it leaves the empty file "<its own path>.loaded" beside
// itself, so a test sees that its code ran and which copy it was.
#include <windows.h>

#include <cwchar>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID /*pReserved*/)
{
    if (dwReason != DLL_PROCESS_ATTACH) return TRUE;
    constexpr wchar_t kSuffix[] = L".loaded";
    wchar_t szPath[MAX_PATH + sizeof kSuffix / sizeof kSuffix[0]] = {};
    const DWORD nLength = GetModuleFileNameW(hInstance, szPath, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH) return TRUE;
    std::wmemcpy(szPath + nLength, kSuffix, sizeof kSuffix / sizeof kSuffix[0]);
    const HANDLE hMarker =
        CreateFileW(szPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hMarker != INVALID_HANDLE_VALUE) CloseHandle(hMarker);
    return TRUE;
}
