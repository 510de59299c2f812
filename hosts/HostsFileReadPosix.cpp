#include "hosts/HostsFileRead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class CFileDescriptor {
public:
    explicit CFileDescriptor(int fd) : m_fd(fd) {}
    ~CFileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    CFileDescriptor(const CFileDescriptor&) = delete;
    CFileDescriptor& operator=(const CFileDescriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes)
{
    bytes.clear();
    const CFileDescriptor file(open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (file.Get() < 0)
        return errno == ENOENT ? HostsReadResult::Missing : HostsReadResult::Failed;

    struct stat status {};
    if (fstat(file.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        return HostsReadResult::Failed;
    // One byte more than the file holds, so the read that finds its end needs no new buffer.
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);

    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size())
            bytes.resize(bytes.size() + 64 * 1024);
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
