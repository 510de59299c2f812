#include "hosts/ReplacementFile.h"

#include "hosts/FinalPath.h"
#include "hosts/LockWait.h"
#include "hosts/WidePath.h"

#include <windows.h>

#include <utility>

namespace {

// Deletes a file of ours even when it carries the read-only attribute; a scanner looking at the
// new file is waited out for a moment.
void RemoveFile(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    static_cast<void>(CallWaitingOutLocks([&]() {
        return DeleteFileW(path.c_str()) != FALSE || GetLastError() == ERROR_FILE_NOT_FOUND;
    }));
}

bool Fail(RewriteFailure& failure, const char* szStep)
{
    failure = {szStep, GetLastError()};
    return false;
}

// Whether a name of ours (the temporary or the backup name) is a symbolic link. Wine deletes the
// file a link leads to rather than the link, so such a name is left alone and the rewrite fails.
bool IsLink(const std::string& path)
{
    std::string finalPath;
    return !FindFinalPath(path, finalPath) || finalPath != path;
}

// A read-only file that is no other file's name too: clearing its attribute changes nothing else.
bool IsReadOnlyWithOneName(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
        || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
        return false;
    const CFileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    return file.IsOpen() && GetFileInformationByHandle(file.Get(), &information)
           && information.nNumberOfLinks == 1;
}

// Removes what a killed rewrite left under one of our names (the temporary or the backup name).
// Only the name goes: the leftover may be a hard link to another file, which must not be
// truncated, written or have its attributes changed. A live rewrite's file cannot be removed, as
// it is open without sharing.
bool RemoveLeftoverOnce(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return true;
    // A leftover that inherited the read-only attribute from a failed replace.
    if (GetLastError() != ERROR_ACCESS_DENIED || !IsReadOnlyWithOneName(path))
        return false;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path.c_str()) != FALSE;
}

// The same, another process's handle on the leftover (a scanner's) waited out for a moment.
bool RemoveLeftover(const std::wstring& path)
{
    return CallWaitingOutLocks([&]() { return RemoveLeftoverOnce(path); });
}

// Moves a file to a free name, waiting out another process's handle on it for a moment.
bool MoveToFreeName(const std::wstring& from, const std::wstring& to)
{
    return CallWaitingOutLocks(
        [&]() { return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE; });
}

// The path with its last part spelt as on disk: the replace names the new file exactly as asked,
// and "HOSTS" should not turn a "hosts" into "HOSTS" (Wine keeps that case in the Unix name).
std::wstring AsSpeltOnDisk(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    const HANDLE hFind = FindFirstFileW(path.c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return path;
    FindClose(hFind);
    const std::size_t slash = path.find_last_of(L"\\/");
    return path.substr(0, slash == std::wstring::npos ? 0 : slash + 1) + found.cFileName;
}

// Puts the new file in place of an existing one. ReplaceFileW keeps the old file's security,
// attributes and times. The old file is first moved to a backup name: without one, a failure
// after the old file was moved away (seen on XP as ERROR_UNABLE_TO_MOVE_REPLACEMENT) would
// leave no file at the target; with it, the old file is always somewhere it can be put back.
// A failure that leaves both files under their own names (ERROR_UNABLE_TO_REMOVE_REPLACED,
// ERROR_UNABLE_TO_MOVE_REPLACEMENT, as the ReplaceFileW documentation says) is tried again while
// another process's handle on HOSTS (a scanner's, an editor's, without delete sharing) causes it.
// held, the old file as read, stays open until the replace is done, keeping other writers off.
bool ReplaceExisting(const std::wstring& target, const std::wstring& replacement,
                     const std::wstring& backup, CHeldFile& held, RewriteFailure& failure)
{
    if (!RemoveLeftover(backup))
        return Fail(failure, "DeleteFileW(backup name)");
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool bReplaced = CallWaitingOutLocks([&]() {
        return ReplaceFileW(target.c_str(), replacement.c_str(), backup.c_str(), 0, nullptr, nullptr) != FALSE;
    });
    if (bReplaced) {
        held.Close();
        // Wine's ReplaceFileW does not carry the attributes over (hidden, system); Windows does.
        if (attributes != INVALID_FILE_ATTRIBUTES && GetFileAttributesW(target.c_str()) != attributes)
            SetFileAttributesW(target.c_str(), attributes);
        static_cast<void>(RemoveLeftover(backup));
        return true;
    }
    Fail(failure, "ReplaceFileW(HOSTS)");
    // The old file is under the backup name (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2); if it cannot be
    // moved back here, the caller tries the recovery of an interrupted replace.
    if (failure.nError == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        static_cast<void>(MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH));
    return false;
}

} // namespace

CReplacementFile::CReplacementFile(std::string targetPath)
    : m_targetPath(std::move(targetPath)),
      m_temporaryPath(TemporaryPathFor(m_targetPath))
{
}

CReplacementFile::~CReplacementFile()
{
    Discard();
}

bool CReplacementFile::Fail(const char* szStep)
{
    m_failure = {szStep, GetLastError()};
    return false;
}

bool CReplacementFile::Create()
{
    std::wstring temporaryPath;
    if (!ToWidePath(m_temporaryPath, temporaryPath))
        return Fail("temporary path in the ANSI code page");
    if (IsLink(m_temporaryPath))
        return Fail("temporary name is a link");
    if (!RemoveLeftover(temporaryPath))
        return Fail("DeleteFileW(temporary name)");
    // CREATE_NEW: only a file this call makes is ever written; anything that took the name
    // meanwhile makes the rewrite fail (a leftover whose deletion is still pending is waited
    // for). Share mode 0 keeps other rewrites off it while it lives.
    const bool bCreated = CallWaitingOutLocks([&]() {
        m_file.Reset(CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        return m_file.IsOpen();
    });
    return bCreated || Fail("CreateFileW(temporary name)");
}

bool CReplacementFile::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD size = bytes.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(m_file.Get(), bytes.data(), size, &written, nullptr))
            return Fail("WriteFile(temporary name)");
        if (written == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return Fail("WriteFile(temporary name) wrote nothing");
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool CReplacementFile::RecoverInterruptedReplace(const std::string& targetPath, RewriteFailure& failure)
{
    std::wstring target;
    std::wstring backup;
    if (!ToWidePath(targetPath, target) || !ToWidePath(BackupPathFor(targetPath), backup))
        return ::Fail(failure, "HOSTS path in the ANSI code page");
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES
        || GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    // A link at the backup name is nothing a replace of ours left: it is not put in HOSTS' place.
    if (IsLink(BackupPathFor(targetPath)))
        return ::Fail(failure, "backup name is a link");
    return MoveToFreeName(backup, target) || ::Fail(failure, "MoveFileExW(backup name to HOSTS)");
}

CReplacementFile::CommitResult CReplacementFile::Commit(CHeldFile& target)
{
    std::wstring targetPath;
    std::wstring temporaryPath;
    std::wstring backup;
    if (!ToWidePath(m_targetPath, targetPath) || !ToWidePath(m_temporaryPath, temporaryPath)
        || !ToWidePath(BackupPathFor(m_targetPath), backup)) {
        Fail("HOSTS path in the ANSI code page");
        return CommitResult::Failed;
    }
    if (IsLink(BackupPathFor(m_targetPath))) {
        Fail("backup name is a link");
        return CommitResult::Failed;
    }
    if (!FlushFileBuffers(m_file.Get())) {
        Fail("FlushFileBuffers(temporary name)");
        return CommitResult::Failed;
    }
    m_file.Close();

    // While target is held no other program can write it; what it did before (a replace of its
    // own, or a write from outside Windows' sharing rules) shows here.
    if (target.IsOpen() && !target.IsUnchangedAt(m_targetPath)) {
        RemoveFile(temporaryPath);
        m_failure = {"HOSTS changed since it was read", 0};
        return CommitResult::TargetChanged;
    }
    // Without REPLACE_EXISTING the move fails rather than overwrite a file made meanwhile.
    const bool bReplaced = target.IsOpen()
                               ? ReplaceExisting(AsSpeltOnDisk(targetPath), temporaryPath, backup, target,
                                                 m_failure)
                               : MoveToFreeName(temporaryPath, targetPath) || Fail("MoveFileExW(new file to HOSTS)");
    if (bReplaced)
        return CommitResult::Replaced;
    const bool bMadeMeanwhile = !target.IsOpen()
                                && (m_failure.nError == ERROR_ALREADY_EXISTS || m_failure.nError == ERROR_FILE_EXISTS);
    RemoveFile(temporaryPath);
    // A replace that failed after moving the old file to the backup name has it put back now,
    // not only by the next rewrite. Should that fail too, HOSTS waits under the backup name.
    RewriteFailure recovery;
    static_cast<void>(RecoverInterruptedReplace(m_targetPath, recovery));
    target.Close();
    return bMadeMeanwhile ? CommitResult::TargetChanged : CommitResult::Failed;
}

void CReplacementFile::Discard()
{
    if (!m_file.IsOpen())
        return;
    m_file.Close();
    std::wstring temporaryPath;
    if (ToWidePath(m_temporaryPath, temporaryPath))
        RemoveFile(temporaryPath);
}
