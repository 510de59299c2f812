#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The fields of the platform's version record that decide the tag.
struct PlatformVersion {
    std::uint32_t dwPlatformId;
    std::uint32_t dwMajorVersion;
    std::uint32_t dwMinorVersion;
};

// "WIN32", "WIN9X", "WINNT", "WIN2K" or "WINXP"; a version query that failed (nullopt) and every
// platform or version not named otherwise give "WINXP".
std::string DecidePlatformTag(const std::optional<PlatformVersion>& version);

#ifdef _WIN32
// The tag of the running platform, queried afresh on every call.
std::string GetPlatformTag();
#endif
