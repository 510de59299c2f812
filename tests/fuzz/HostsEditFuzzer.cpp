#include "tests/fuzz/HostsEditProperties.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string failure =
        CheckHostsEditProperties(std::string_view(reinterpret_cast<const char*>(pData), nSize));
    if (!failure.empty()) {
        std::fprintf(stderr, "HOSTS edit: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
