#pragma once

#include <string>

// The directory the Windows resolver reads HOSTS from, as the registry's DataBasePath value
// names it, in the system's ANSI code page; a REG_EXPAND_SZ's %SystemRoot% and %windir% are the
// system's Windows directory (GetSystemWindowsDirectoryW), never the environment's. Empty when
// the value is missing, is not a string, is longer than a path can be, or does not expand
// (ExpandDataBasePath).
[[nodiscard]] std::string QueryDataBasePath();
