#pragma once

#include <string>

// A path in the system's ANSI code page as UTF-16 for the wide-character file calls (Windows).
[[nodiscard]] bool ToWidePath(const std::string& ansiPath, std::wstring& widePath);
