#include "tests/fuzz/EchoReplyProperties.h"
#include "tests/fuzz/HostsEditProperties.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct CorpusFile {
    std::string strName;
    std::string strBytes;
};

// The files of one fuzz target's committed corpus, by name.
std::vector<CorpusFile> ReadCorpus(const char* szTarget)
{
    const std::filesystem::path directory = std::filesystem::path(TIROX_FUZZ_CORPUS) / szTarget;
    std::vector<CorpusFile> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files.push_back({entry.path().filename().string(),
                         std::string(std::istreambuf_iterator<char>(in), {})});
    }
    std::sort(files.begin(), files.end(),
              [](const CorpusFile& a, const CorpusFile& b) { return a.strName < b.strName; });
    return files;
}

TEST(FuzzCorpus, HostsEditPropertiesHoldForEveryFile)
{
    const std::vector<CorpusFile> files = ReadCorpus("hosts_edit");
    ASSERT_FALSE(files.empty()) << TIROX_FUZZ_CORPUS;
    for (const CorpusFile& file : files)
        EXPECT_EQ(CheckHostsEditProperties(file.strBytes), "") << file.strName;
}

TEST(FuzzCorpus, EchoReplyPropertiesHoldForEveryFile)
{
    const std::vector<CorpusFile> files = ReadCorpus("echo_reply");
    ASSERT_FALSE(files.empty()) << TIROX_FUZZ_CORPUS;
    for (const CorpusFile& file : files) {
        const auto* pData = reinterpret_cast<const std::uint8_t*>(file.strBytes.data());
        EXPECT_EQ(CheckEchoReplyProperties(pData, file.strBytes.size()), "") << file.strName;
    }
}

} // namespace
