#pragma once

// The program's window title, "Tirox网络优化", as the wide text the test programs search for.
constexpr const wchar_t* kMainWindowTitle = L"Tirox\u7f51\u7edc\u4f18\u5316";
