#include "hosts/HostsFileRead.h"

#include "hosts/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes)
{
    bytes.clear();
    const CFileHandle file(open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!file.IsOpen())
        return errno == ENOENT ? HostsReadResult::Missing : HostsReadResult::Failed;

    struct stat status {};
    if (fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return HostsReadResult::Failed;
    // A size that does not fit in a string here (a file of gigabytes in a 32-bit process).
    if (static_cast<unsigned long long>(status.st_size) >= bytes.max_size())
        return HostsReadResult::Failed;
    // One byte more than the file holds, so the read that finds its end needs no new buffer.
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);

    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + std::size_t{64} * 1024);
        const ssize_t count = read(file.Get(), &bytes[filled], bytes.size() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0) {
            bytes.clear();
            return HostsReadResult::Failed;
        }
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return HostsReadResult::Read;
}
