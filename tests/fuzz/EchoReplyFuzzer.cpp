#include "tests/fuzz/EchoReplyProperties.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string failure = CheckEchoReplyProperties(pData, nSize);
    if (!failure.empty()) {
        std::fprintf(stderr, "echo reply: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
