#include "app/OptimizeApp.h"

#include "app/WideText.h"
#include "app/OptimizeDlg.h"
#include "app/SocketLibrary.h"

#include <string>
#include <utility>

namespace {

constexpr const char kMutexName[] = "QuorvexDIVOMutex";
// "Tirox网络优化", the caption of the main window.
constexpr const char kMainWindowTitle[] = "Tirox\xcd\xf8\xc2\xe7\xd3\xc5\xbb\xaf";

// The executable's file name without directory and extension.
std::wstring ProgramBaseName()
{
    wchar_t szPath[MAX_PATH] = {};
    const DWORD nLength = GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring name(szPath, nLength < MAX_PATH ? nLength : 0);
    const std::size_t nSlash = name.find_last_of(L"\\/");
    if (nSlash != std::wstring::npos) name.erase(0, nSlash + 1);
    const std::size_t nDot = name.rfind(L'.');
    if (nDot != std::wstring::npos) name.erase(nDot);
    return name;
}

void BringRunningCopyToFront()
{
    const std::wstring title = WideFromGbk(kMainWindowTitle);
    // A Windows without the GBK tables converts the title to nothing, and an empty title would
    // find some untitled window instead.
    if (title.empty()) return;
    SetForegroundWindow(FindWindowW(nullptr, title.c_str()));
}

}  // namespace

BOOL COptimizeApp::InitInstance() noexcept
{
    // A name that cannot be made or opened as our mutex (another kind of object took it, or
    // another copy's mutex is not open to us) may well mean another copy runs: this copy ends
    // rather than risk two copies rewriting HOSTS.
    CKernelHandle hMutex(CreateMutexA(nullptr, TRUE, kMutexName));
    if (!hMutex.Get() || GetLastError() == ERROR_ALREADY_EXISTS) {
        BringRunningCopyToFront();
        return FALSE;
    }
    m_hMutex = std::move(hMutex);

    CSocketLibrary socketLibrary;
    if (!socketLibrary.IsStarted()) {
        MessageBoxW(nullptr, L"AfxSocketInit() Failed!", ProgramBaseName().c_str(), MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }

    COptimizeDlg dlg;
    dlg.DoModal();
    return FALSE;
}
