// Reads the program's window as a screen reader does, through MSAA: the accessible object of the
// dialog's client area and each of its children, one line each, tab-separated (UTF-8):
//   object  PATH  ROLE  STATE  X,Y,W,H  NAME  VALUE  DESCRIPTION
// PATH is "client" for the dialog, then "client.N" for its N-th child (1-based, in the order the
// dialog's object gives them). ROLE and STATE are numbers (hex state); a property the object does
// not have is "-"; X,Y,W,H is its place on the screen. Then the control that has the keyboard
// focus, as Windows tells it (GetGUIThreadInfo; 0 when none has it):
//   focus  ID
// A failure is told on a line
//   error  CALL  HRESULT
// Exit status: 0 read, 2 no such window, 3 no accessible object.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/MainWindowTitle.h"

namespace {

// IAccessible's interface id. mingw-w64's liboleacc.a lists IID_IAccessible as if oleacc.dll
// exported it, so linking that name can give the address of an import stub instead of the id.
constexpr IID kIidAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

std::string ToUtf8(const wchar_t* text, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

// Tabs and line breaks in a text would break the listing's fields.
std::string Field(BSTR text, HRESULT hr)
{
    if (FAILED(hr) || hr == S_FALSE || text == nullptr) {
        if (text) SysFreeString(text);
        return "-";
    }
    std::string utf8 = ToUtf8(text, static_cast<int>(SysStringLen(text)));
    SysFreeString(text);
    for (char& c : utf8) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return utf8;
}

std::string Number(const VARIANT& value, bool hex)
{
    if (value.vt != VT_I4) return "-";
    char text[32];
    if (std::snprintf(text, sizeof text, hex ? "0x%lx" : "%ld", static_cast<long>(value.lVal)) < 0) return "-";
    return text;
}

void PrintObject(const std::string& path, IAccessible* object, LONG child)
{
    VARIANT id;
    VariantInit(&id);
    id.vt = VT_I4;
    id.lVal = child;
    BSTR name = nullptr;
    BSTR value = nullptr;
    BSTR description = nullptr;
    const HRESULT hrName = object->get_accName(id, &name);
    const HRESULT hrValue = object->get_accValue(id, &value);
    const HRESULT hrDescription = object->get_accDescription(id, &description);
    VARIANT role;
    VARIANT state;
    VariantInit(&role);
    VariantInit(&state);
    object->get_accRole(id, &role);
    object->get_accState(id, &state);
    long x = 0;
    long y = 0;
    long w = 0;
    long h = 0;
    if (FAILED(object->accLocation(&x, &y, &w, &h, id))) x = y = w = h = -1;
    std::printf("object\t%s\t%s\t%s\t%ld,%ld,%ld,%ld\t%s\t%s\t%s\n", path.c_str(), Number(role, false).c_str(),
                Number(state, true).c_str(), x, y, w, h, Field(name, hrName).c_str(), Field(value, hrValue).c_str(),
                Field(description, hrDescription).c_str());
    VariantClear(&role);
    VariantClear(&state);
}

// A child that is a window of its own: what a reader says of it comes from the window's client
// object (Wine's window objects answer next to nothing themselves, Windows' pass the client's on).
void PrintChildWindow(const std::string& path, IAccessible* object)
{
    HWND hwnd = nullptr;
    IAccessible* client = nullptr;
    if (SUCCEEDED(WindowFromAccessibleObject(object, &hwnd)) && hwnd != nullptr
        && SUCCEEDED(AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                                reinterpret_cast<void**>(&client))) && client != nullptr) {
        PrintObject(path, client, CHILDID_SELF);
        client->Release();
        return;
    }
    PrintObject(path, object, CHILDID_SELF);
}

// Every child the object gives, as its own object or as a simple element of the parent.
void PrintChildren(IAccessible* parent)
{
    LONG count = 0;
    if (FAILED(parent->get_accChildCount(&count)) || count <= 0) return;
    std::vector<VARIANT> children(static_cast<size_t>(count));
    LONG obtained = 0;
    if (FAILED(AccessibleChildren(parent, 0, count, children.data(), &obtained))) return;
    for (LONG i = 0; i < obtained; ++i) {
        VARIANT& child = children[static_cast<size_t>(i)];
        const std::string path = "client." + std::to_string(i + 1);
        if (child.vt == VT_DISPATCH && child.pdispVal != nullptr) {
            IAccessible* object = nullptr;
            if (SUCCEEDED(child.pdispVal->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&object)))) {
                PrintChildWindow(path, object);
                object->Release();
            }
        } else if (child.vt == VT_I4) {
            PrintObject(path, parent, child.lVal);
        }
        VariantClear(&child);
    }
}

void PrintFocus(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    const bool known = GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr;
    std::printf("focus\t%d\n", known ? GetDlgCtrlID(info.hwndFocus) : 0);
}

}  // namespace

int main()
{
    const HWND window = FindWindowW(nullptr, kMainWindowTitle);
    if (window == nullptr) return 2;
    const HRESULT hrInit = CoInitialize(nullptr);
    if (FAILED(hrInit)) {
        std::printf("error\tCoInitialize\t0x%lx\n", static_cast<unsigned long>(hrInit));
        return 3;
    }
    IAccessible* client = nullptr;
    int status = 3;
    const HRESULT hr = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                                  reinterpret_cast<void**>(&client));
    if (SUCCEEDED(hr) && client != nullptr) {
        PrintObject("client", client, CHILDID_SELF);
        PrintChildren(client);
        client->Release();
        PrintFocus(window);
        status = 0;
    } else {
        std::printf("error\tAccessibleObjectFromWindow\t0x%lx\n", static_cast<unsigned long>(hr));
    }
    CoUninitialize();
    return std::fflush(stdout) == 0 ? status : 1;
}
