#pragma once

#include <string>
#include <string_view>

// The directory the Windows resolver reads HOSTS from, as the registry's DataBasePath value
// names it, in the system's ANSI code page; a REG_EXPAND_SZ's %SystemRoot% and %windir% are the
// system's Windows directory (GetSystemWindowsDirectoryW), never the environment's. Empty when
// the value is missing, is not a string, is longer than a path can be, or does not expand
// (ExpandDataBasePath).
[[nodiscard]] std::string QueryDataBasePath();

// What a DataBasePath value of that registry type and those bytes names, as above: the text up to
// its first NUL or the end of the bytes (a registry string need not end in a NUL), a
// REG_EXPAND_SZ expanded with the given Windows directory; empty for any other type.
[[nodiscard]] std::string DataBasePathOfValue(unsigned long type, std::string_view bytes,
                                              const std::string& windowsDirectory);
