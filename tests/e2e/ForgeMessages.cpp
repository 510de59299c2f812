// Plays a hostile program on the same desktop: reads what the program's window and controls
// give away (window properties, user data) and sends its dialog and controls forged messages:
// WM_INITDIALOG with 0, with every address it found and with junk, then a bounded batch of other
// messages with random parameters. Never a message that clicks a button, closes the window or
// types into it.
// Usage: ForgeMessages.exe [SEED [COUNT]]
// Exit status: 0 the window is still there at the end, 2 no window at the start, 4 it is gone.
#include <windows.h>

#include "tests/e2e/MainWindowTitle.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kStartId = 1000;
constexpr int kLogId = 1001;
constexpr int kRestoreId = 1002;
constexpr UINT kTimeoutMs = 2000;

class CRandom {
public:
    explicit CRandom(std::uint32_t seed) : m_state(seed ? seed : 1) {}
    std::uint32_t Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    std::uint32_t Below(std::uint32_t n) { return Next() % n; }

private:
    std::uint32_t m_state;
};

// A random message parameter of its full width. On 64-bit Windows WPARAM and LPARAM have 64 bits:
// a handler that cut one to 32 bits would otherwise never be sent a high half. The 32-bit build
// draws one number, as it always did.
template <typename Param>
Param RandomParam(CRandom& random)
{
    std::uint64_t value = random.Next();
    if constexpr (sizeof(Param) > sizeof(std::uint32_t))
        value |= std::uint64_t{random.Next()} << 32;
    return static_cast<Param>(value);
}

struct Counts {
    int sent = 0;
    int refused = 0;
};

void Send(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, bool bPost, Counts& counts)
{
    DWORD_PTR result = 0;
    const bool bDelivered = bPost ? PostMessageW(hWnd, uMsg, wParam, lParam) != FALSE
                                  : SendMessageTimeoutW(hWnd, uMsg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                                        kTimeoutMs, &result) != 0;
    ++(bDelivered ? counts.sent : counts.refused);
}

// Every value the window and its controls hand out that could be an address in the program.
std::vector<LPARAM> LeakedValues(HWND hDialog, const HWND (&controls)[3])
{
    std::vector<LPARAM> values;
    const auto add = [&values](LONG_PTR value) {
        if (value != 0)
            values.push_back(value);
    };
    add(GetWindowLongPtrW(hDialog, DWLP_USER));
    add(GetWindowLongPtrW(hDialog, GWLP_USERDATA));
    for (HWND hControl : controls) {
        add(reinterpret_cast<LONG_PTR>(GetPropW(hControl, L"TiroxSkinButton")));
        add(GetWindowLongPtrW(hControl, GWLP_USERDATA));
    }
    return values;
}

// A message that carries a pointer is copied into the receiver by the system from the sender's
// memory: the forger hands it a buffer of random bytes of its own.
LPARAM RandomBuffer(CRandom& random, std::vector<unsigned char>& buffer)
{
    for (unsigned char& byte : buffer)
        byte = static_cast<unsigned char>(random.Next());
    buffer[buffer.size() - 2] = 0;
    buffer[buffer.size() - 1] = 0;
    return reinterpret_cast<LPARAM>(buffer.data());
}

// A WM_COMMAND that is none of the program's commands: an unknown id, or a known control with a
// notification code other than a click. Never IDOK or IDCANCEL.
WPARAM UnknownCommand(CRandom& random)
{
    if (random.Below(2) == 0) {
        static const WORD kIds[] = {kStartId, kLogId, kRestoreId};
        const WORD code = static_cast<WORD>(1 + random.Below(0xFFFE));
        return MAKEWPARAM(kIds[random.Below(3)], code);
    }
    WORD id = static_cast<WORD>(random.Next());
    if (id == IDOK || id == IDCANCEL || id == kStartId || id == kRestoreId)
        id = 4242;
    return MAKEWPARAM(id, static_cast<WORD>(random.Next()));
}

void ForgeBatch(HWND hDialog, const HWND (&controls)[3], CRandom& random, int nCount, Counts& counts)
{
    static const UINT kCtlColors[] = {WM_CTLCOLORMSGBOX, WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN,
                                      WM_CTLCOLORDLG, WM_CTLCOLORSCROLLBAR, WM_CTLCOLORSTATIC};
    static const UINT kPointerMessages[] = {WM_DRAWITEM, WM_MEASUREITEM, WM_DELETEITEM, WM_COMPAREITEM,
                                            WM_NOTIFY, WM_HELP, WM_GETDLGCODE, WM_WINDOWPOSCHANGING};
    static const UINT kPlainMessages[] = {WM_PAINT, WM_ERASEBKGND, WM_MOUSEMOVE, WM_SETCURSOR, WM_NCHITTEST,
                                          WM_QUERYDRAGICON, WM_ENABLE, WM_CAPTURECHANGED, WM_SHOWWINDOW,
                                          WM_CANCELMODE, WM_SETFONT, WM_GETFONT, BM_GETSTATE, BM_SETSTATE,
                                          WM_MOUSELEAVE, WM_ACTIVATE, WM_SETFOCUS, WM_KILLFOCUS};
    std::vector<unsigned char> buffer(512);
    const HWND targets[] = {hDialog, controls[0], controls[1], controls[2]};
    for (int i = 0; i < nCount; ++i) {
        const HWND hTarget = targets[random.Below(4)];
        const auto wParam = RandomParam<WPARAM>(random);
        auto lParam = RandomParam<LPARAM>(random);
        // A quarter posted: posted messages reach the program through its message loop.
        const bool bPost = random.Below(4) == 0;
        switch (random.Below(4)) {
        case 0:
            Send(hDialog, WM_COMMAND, UnknownCommand(random), lParam, bPost, counts);
            break;
        case 1:
            if (random.Below(2) == 0)
                lParam = reinterpret_cast<LPARAM>(controls[random.Below(3)]);
            Send(hTarget, kCtlColors[random.Below(7)], wParam, lParam, bPost, counts);
            break;
        case 2:
            Send(hTarget, kPointerMessages[random.Below(8)], wParam, RandomBuffer(random, buffer), false, counts);
            break;
        default:
            Send(hTarget, kPlainMessages[random.Below(18)], wParam, lParam, bPost, counts);
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::uint32_t seed = argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1;
    const int nCount = argc > 2 ? static_cast<int>(std::strtol(argv[2], nullptr, 10)) : 2000;
    const HWND hDialog = FindWindowW(nullptr, kMainWindowTitle);
    if (!hDialog)
        return 2;
    const HWND controls[3] = {GetDlgItem(hDialog, kStartId), GetDlgItem(hDialog, kLogId),
                              GetDlgItem(hDialog, kRestoreId)};

    Counts counts;
    std::vector<LPARAM> initValues = LeakedValues(hDialog, controls);
    std::printf("addresses given away: %u\n", static_cast<unsigned>(initValues.size()));
    for (LPARAM junk : {LPARAM(0), LPARAM(1), LPARAM(0x41414141), LPARAM(-1), LPARAM(0x7FFE0000)})
        initValues.push_back(junk);
    for (LPARAM value : initValues) {
        Send(hDialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(controls[0]), value, false, counts);
        Send(hDialog, WM_INITDIALOG, 0, value, true, counts);
    }

    CRandom random(seed);
    ForgeBatch(hDialog, controls, random, nCount, counts);
    // Posted messages are handled in turn; a last sent one returns once they have been.
    Send(hDialog, WM_NULL, 0, 0, false, counts);
    std::printf("forged messages delivered: %d, refused or timed out: %d\n", counts.sent, counts.refused);
    return IsWindow(hDialog) ? 0 : 4;
}
