#include "hosts/ReplacementFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

CReplacementFile::CReplacementFile(std::string targetPath)
    : m_targetPath(std::move(targetPath)), m_temporaryPath(TemporaryPathFor(m_targetPath))
{
}

CReplacementFile::~CReplacementFile()
{
    Discard();
}

bool CReplacementFile::Create()
{
    CFileHandle file(open(m_temporaryPath.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file.IsOpen())
        return false;
    const int fd = file.Get();
    // A live rewrite holds the lock on its temporary file; one left by a killed process does not.
    // The name must still lead to the locked file: another rewrite may have just renamed it.
    struct stat opened {};
    struct stat named {};
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &opened) != 0
        || stat(m_temporaryPath.c_str(), &named) != 0 || opened.st_dev != named.st_dev
        || opened.st_ino != named.st_ino) {
        return false;
    }
    m_file.Reset(file.Release());
    struct stat target {};
    if (ftruncate(fd, 0) != 0
        || (stat(m_targetPath.c_str(), &target) == 0 && fchmod(fd, target.st_mode & 07777) != 0)) {
        Discard();
        return false;
    }
    return true;
}

bool CReplacementFile::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t count = write(m_file.Get(), bytes.data(), bytes.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

// rename puts the new file in place in one step: no replace is ever left halfway.
bool CReplacementFile::RecoverInterruptedReplace(const std::string& /*targetPath*/)
{
    return true;
}

// rename creates a missing target and replaces an existing one alike.
bool CReplacementFile::Commit(bool /*bTargetExists*/)
{
    if (fsync(m_file.Get()) != 0 || rename(m_temporaryPath.c_str(), m_targetPath.c_str()) != 0)
        return false;
    m_file.Close();
    return true;
}

void CReplacementFile::Discard()
{
    if (!m_file.IsOpen())
        return;
    // Removed while still locked, so no other rewrite takes it over in between.
    unlink(m_temporaryPath.c_str());
    m_file.Close();
}
