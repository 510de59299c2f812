#include "hosts/ReplacementFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

bool IsSameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Locks the open file, if no live rewrite holds it, and checks that path still leads to it.
bool LockIfNamed(int fd, const std::string& path)
{
    struct stat opened {};
    struct stat named {};
    return flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &opened) == 0
           && lstat(path.c_str(), &named) == 0 && IsSameFile(opened, named);
}

// Removes what a killed rewrite left under the temporary name; a live rewrite's file (locked) is
// left alone. Whatever is there is only unlinked, never written or waited on: it may be a hard
// link to another file, a FIFO, a symbolic link.
bool RemoveLeftover(const std::string& path)
{
    struct stat named {};
    if (lstat(path.c_str(), &named) != 0)
        return errno == ENOENT;
    if (S_ISREG(named.st_mode)) {
        // O_NONBLOCK: should a FIFO take the name meanwhile, the open does not wait for a writer.
        const CFileHandle leftover(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        // Removed while locked, so no other rewrite takes it over in between.
        return leftover.IsOpen() && LockIfNamed(leftover.Get(), path) && unlink(path.c_str()) == 0;
    }
    return unlink(path.c_str()) == 0;
}

} // namespace

CReplacementFile::CReplacementFile(std::string targetPath)
    : m_targetPath(std::move(targetPath)), m_temporaryPath(TemporaryPathFor(m_targetPath))
{
}

CReplacementFile::~CReplacementFile()
{
    Discard();
}

bool CReplacementFile::Fail(const char* szStep)
{
    m_failure = {szStep, static_cast<unsigned long>(errno)};
    return false;
}

bool CReplacementFile::Create()
{
    if (!RemoveLeftover(m_temporaryPath))
        return Fail("unlink(temporary name)");
    // O_EXCL: only a file this call makes is ever written; anything that took the name meanwhile
    // makes the rewrite fail.
    CFileHandle file(open(m_temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0644));
    if (!file.IsOpen())
        return Fail("open(temporary name)");
    // The lock marks the file as a live rewrite's. Should another rewrite have removed the file
    // before the lock was taken, the name leads elsewhere and nothing is written.
    if (!LockIfNamed(file.Get(), m_temporaryPath))
        return Fail("flock(temporary name)");
    m_file.Reset(file.Release());
    struct stat target {};
    if (stat(m_targetPath.c_str(), &target) == 0 && fchmod(m_file.Get(), target.st_mode & 07777) != 0) {
        Fail("fchmod(temporary name)");
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
        if (count < 0)
            return Fail("write(temporary name)");
        if (count == 0) {
            errno = EIO;
            return Fail("write(temporary name) wrote nothing");
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

// rename puts the new file in place in one step: no replace is ever left halfway.
bool CReplacementFile::RecoverInterruptedReplace(const std::string& /*targetPath*/, RewriteFailure& /*failure*/)
{
    return true;
}

// rename creates a missing target and replaces an existing one alike. A change another program
// made since the read shows in the target's state; one made in the moment between that check
// and the rename is not seen (there is no share mode to keep it off).
CReplacementFile::CommitResult CReplacementFile::Commit(CHeldFile& target)
{
    if (fsync(m_file.Get()) != 0) {
        Fail("fsync(temporary name)");
        return CommitResult::Failed;
    }
    struct stat named {};
    const bool bChanged = target.IsOpen() ? !target.IsUnchangedAt(m_targetPath)
                                          : lstat(m_targetPath.c_str(), &named) == 0;
    target.Close();
    if (bChanged) {
        m_failure = {"HOSTS changed since it was read", 0};
        Discard();
        return CommitResult::TargetChanged;
    }
    if (rename(m_temporaryPath.c_str(), m_targetPath.c_str()) != 0) {
        Fail("rename(temporary name to HOSTS)");
        return CommitResult::Failed;
    }
    m_file.Close();
    return CommitResult::Replaced;
}

void CReplacementFile::Discard()
{
    if (!m_file.IsOpen())
        return;
    // Removed while still locked, so no other rewrite takes it over in between.
    unlink(m_temporaryPath.c_str());
    m_file.Close();
}
