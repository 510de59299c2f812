#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// Where the NT family keeps HOSTS: the system directory followed by "\DRIVERS\ETC\HOSTS", as it
// stands: a drive root "C:\" gives a doubled backslash.
std::string MakeHostsFilePath(const std::string& systemDirectory);

// Runs a directory query shaped like GetSystemDirectoryA(buffer, size): it returns the length
// written, or the size needed when the buffer is too small, or 0 on failure. Asks again with a
// large enough buffer until the whole text fits; empty when the query fails.
[[nodiscard]] std::string QueryWholeDirectory(
    const std::function<unsigned(char* buffer, unsigned size)>& query);

// The longest resolver directory followed: the HOSTS path and the rewrite's names beside it
// (".tirox-new", ".tirox-old") must fit the classic path limit of the file calls.
constexpr std::size_t kMaxDataBasePath = 240;

// A REG_EXPAND_SZ DataBasePath with %SystemRoot% and %windir% (any case) replaced by the given
// Windows directory, never by the environment's values: a standard user sets those, and the
// elevated program must not write where they point. A value without '%' stays as it is.
// nullopt (so that the system directory is used) when the value holds any other variable, an
// empty name ("%%": Windows has no escape for '%', and a directory whose name holds one is not
// followed either), a '%' that is never closed, a variable while the Windows directory is
// unknown (empty), or when the result is longer than kMaxDataBasePath.
[[nodiscard]] std::optional<std::string> ExpandDataBasePath(const std::string& value,
                                                           const std::string& windowsDirectory);

// Where the running program finds HOSTS: the file "HOSTS" in the resolver's database directory
// (the registry's DataBasePath, a REG_EXPAND_SZ through ExpandDataBasePath) when that is a usable
// absolute path, otherwise under the system directory, where the NT family keeps it. Empty when
// neither is known.
// The program only loads on the NT family, so it never asks for the Windows version here: a 9x
// answer would come from a compatibility mode, and its HOSTS would be a file nothing reads.
[[nodiscard]] std::string DecideHostsFilePath(const std::string& dataBasePath,
                                              const std::string& systemDirectory);

#ifdef _WIN32
// The HOSTS path of the running Windows, in the system's ANSI code page; empty when the
// directory query fails.
[[nodiscard]] std::string GetHostsFilePath();
#endif
