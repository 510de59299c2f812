// Posts the start button's click command (WM_COMMAND, BN_CLICKED from control 1000) to the
// program's window, as another program or the dialog manager could, without touching the button.
// Exit status: 0 posted, 2 no such window, 3 the post failed.
#include <windows.h>

#include "tests/e2e/MainWindowTitle.h"

namespace {
constexpr int kStartButtonId = 1000;
}

int main()
{
    const HWND window = FindWindowW(nullptr, kMainWindowTitle);
    if (window == nullptr) {
        return 2;
    }
    const HWND startButton = GetDlgItem(window, kStartButtonId);
    const BOOL posted = PostMessageW(window, WM_COMMAND, MAKEWPARAM(kStartButtonId, BN_CLICKED),
                                     reinterpret_cast<LPARAM>(startButton));
    return posted ? 0 : 3;
}
