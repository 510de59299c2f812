#pragma once

#include <string>

// The directory the Windows resolver reads HOSTS from, as the registry's DataBasePath value
// names it (environment variables expanded), in the system's ANSI code page. Empty when the
// value is missing, is not a string, is longer than a path can be, or does not expand.
[[nodiscard]] std::string QueryDataBasePath();
