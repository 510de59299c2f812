#include "TestFiles.h"

#include <cstdio>
#include <stdexcept>

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include <winioctl.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace testfiles {

#ifdef _WIN32
const char kSeparator[] = "\\";
#else
const char kSeparator[] = "/";
#endif

std::string Join(const std::string& dir, const std::string& name)
{
    return dir + kSeparator + name;
}

std::string MakeTempDir()
{
#ifdef _WIN32
    static int counter = 0;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    // Under Wine the prefix's own temporary directory is on disk; the test run names a RAM file
    // system instead, where the holes of the sparse file of over 4 GiB read without page cache.
    const char* chosen = std::getenv("TIROX_TEST_TEMP");
    const std::string base = chosen && *chosen ? std::string(chosen) + kSeparator : std::string(temp);
    std::string dir = base + "tirox-hosts-" + std::to_string(GetCurrentProcessId())
                      + "-" + std::to_string(++counter);
    if (!CreateDirectoryA(dir.c_str(), nullptr))
        throw std::runtime_error("cannot make " + dir);
    return dir;
#else
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tirox-hosts-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make " + pattern);
    return pattern;
#endif
}

std::optional<std::string> ReadBytes(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    (void)std::fclose(file);
    return bytes;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        throw std::runtime_error("cannot write " + path);
    const bool bWritten = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !bWritten)
        throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path)
{
#ifdef _WIN32
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
#endif
}

bool MakeHardLink(const std::string& existing, const std::string& path)
{
#ifdef _WIN32
    return CreateHardLinkA(path.c_str(), existing.c_str(), nullptr) != FALSE;
#else
    return link(existing.c_str(), path.c_str()) == 0;
#endif
}

bool WriteLargeFile(const std::string& path, std::uint64_t size, const std::string& tail)
{
    if (size < tail.size())
        return false;
    const std::uint64_t tailAt = size - tail.size();
#ifdef _WIN32
    const HANDLE hFile = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                     nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD returned = 0;
    // Without it NTFS would write the zeros out; a file system that cannot do it writes them.
    DeviceIoControl(hFile, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(tailAt);
    DWORD written = 0;
    const bool bWritten = SetFilePointerEx(hFile, at, nullptr, FILE_BEGIN)
                          && WriteFile(hFile, tail.data(), static_cast<DWORD>(tail.size()), &written, nullptr)
                          && written == tail.size();
    return CloseHandle(hFile) && bWritten;
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool bWritten =
        pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(tailAt)) == static_cast<ssize_t>(tail.size());
    return close(fd) == 0 && bWritten;
#endif
}

bool MakeDir(const std::string& path)
{
#ifdef _WIN32
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
#else
    return mkdir(path.c_str(), 0755) == 0;
#endif
}

void RemoveDir(const std::string& dir, const char* const* names, int count)
{
    for (int i = 0; i < count; ++i) {
        const std::string path = Join(dir, names[i]);
        MakeWritable(path);
        (void)std::remove(path.c_str());
    }
#ifdef _WIN32
    RemoveDirectoryA(dir.c_str());
#else
    rmdir(dir.c_str());
#endif
}

bool MakeReadOnly(const std::string& path)
{
#ifdef _WIN32
    return SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE;
#else
    // Root, or a process with CAP_DAC_OVERRIDE, may write it regardless.
    return chmod(path.c_str(), 0444) == 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
#endif
}

void MakeWritable(const std::string& path)
{
#ifdef _WIN32
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
#else
    chmod(path.c_str(), 0644);
#endif
}

} // namespace testfiles
