#pragma once

#include <string>

// A path in the system's ANSI code page as UTF-16 for the wide-character file calls (Windows).
[[nodiscard]] bool ToWidePath(const std::string& ansiPath, std::wstring& widePath);
// The reverse; false when a character has no exact match in the ANSI code page.
[[nodiscard]] bool ToAnsiPath(const std::wstring& widePath, std::string& ansiPath);
