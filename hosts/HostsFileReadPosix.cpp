#include "hosts/HostsFileRead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

HostsReadResult Fail(RewriteFailure& failure, const char* szStep, CHeldFile& held, std::string& bytes)
{
    failure = {szStep, static_cast<unsigned long>(errno)};
    held.Close();
    bytes.clear();
    return HostsReadResult::Failed;
}

} // namespace

HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes, CHeldFile& held,
                                     RewriteFailure& failure)
{
    bytes.clear();
    held.Handle().Reset(open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (!held.IsOpen()) {
        if (errno == ENOENT)
            return HostsReadResult::Missing;
        return Fail(failure, "open(HOSTS) to read it", held, bytes);
    }

    struct stat status {};
    if (fstat(held.Handle().Get(), &status) != 0 || !held.NoteState())
        return Fail(failure, "fstat(HOSTS)", held, bytes);
    if (!S_ISREG(status.st_mode)) {
        errno = EINVAL;
        return Fail(failure, "HOSTS is no regular file", held, bytes);
    }
    // A size that does not fit in a string here (a file of gigabytes in a 32-bit process).
    if (static_cast<unsigned long long>(status.st_size) >= bytes.max_size()) {
        errno = ENOMEM;
        return Fail(failure, "HOSTS too large for memory", held, bytes);
    }
    // One byte more than the file holds, so the read that finds its end needs no new buffer.
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);

    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + std::size_t{64} * 1024);
        const ssize_t count = read(held.Handle().Get(), &bytes[filled], bytes.size() - filled);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return Fail(failure, "read(HOSTS)", held, bytes);
        if (count == 0)
            break;
        filled += static_cast<std::size_t>(count);
    }
    bytes.resize(filled);
    return HostsReadResult::Read;
}
