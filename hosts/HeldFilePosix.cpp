#include "hosts/HeldFile.h"

#include <sys/stat.h>

namespace {

// Device and inode say which file it is; size and modification time whether it changed.
std::array<unsigned long long, 4> StateOf(const struct stat& status)
{
    return {static_cast<unsigned long long>(status.st_dev), static_cast<unsigned long long>(status.st_ino),
            static_cast<unsigned long long>(status.st_size),
            static_cast<unsigned long long>(status.st_mtim.tv_sec) * 1000000000ULL
                + static_cast<unsigned long long>(status.st_mtim.tv_nsec)};
}

} // namespace

bool CHeldFile::NoteState()
{
    struct stat status {};
    if (fstat(m_file.Get(), &status) != 0)
        return false;
    m_state = StateOf(status);
    return true;
}

bool CHeldFile::IsUnchangedAt(const std::string& path) const
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0 && StateOf(status) == m_state;
}
