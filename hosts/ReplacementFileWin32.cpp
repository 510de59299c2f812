#include "hosts/ReplacementFile.h"

#include "hosts/FinalPath.h"
#include "hosts/WidePath.h"

#include <windows.h>

#include <utility>

namespace {

// Deletes a file of ours even when it carries the read-only attribute.
void RemoveFile(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
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
bool RemoveLeftover(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return true;
    // A leftover that inherited the read-only attribute from a failed replace.
    if (GetLastError() != ERROR_ACCESS_DENIED || !IsReadOnlyWithOneName(path))
        return false;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path.c_str()) != FALSE;
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
bool ReplaceExisting(const std::wstring& target, const std::wstring& replacement,
                     const std::wstring& backup)
{
    if (!RemoveLeftover(backup))
        return false;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (ReplaceFileW(target.c_str(), replacement.c_str(), backup.c_str(), 0, nullptr, nullptr)) {
        // Wine's ReplaceFileW does not carry the attributes over (hidden, system); Windows does.
        if (attributes != INVALID_FILE_ATTRIBUTES && GetFileAttributesW(target.c_str()) != attributes)
            SetFileAttributesW(target.c_str(), attributes);
        static_cast<void>(RemoveLeftover(backup));
        return true;
    }
    // The old file is under the backup name (ERROR_UNABLE_TO_MOVE_REPLACEMENT_2); if it cannot be
    // moved back here, the caller tries the recovery of an interrupted replace.
    if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
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

bool CReplacementFile::Create()
{
    std::wstring temporaryPath;
    if (!ToWidePath(m_temporaryPath, temporaryPath) || IsLink(m_temporaryPath)
        || !RemoveLeftover(temporaryPath))
        return false;
    // CREATE_NEW: only a file this call makes is ever written; anything that took the name
    // meanwhile makes the rewrite fail. Share mode 0 keeps other rewrites off it while it lives.
    m_file.Reset(CreateFileW(temporaryPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file.IsOpen();
}

bool CReplacementFile::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD size = bytes.size() > 0x10000000u ? 0x10000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(m_file.Get(), bytes.data(), size, &written, nullptr)
            || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool CReplacementFile::RecoverInterruptedReplace(const std::string& targetPath)
{
    std::wstring target;
    std::wstring backup;
    if (!ToWidePath(targetPath, target) || !ToWidePath(BackupPathFor(targetPath), backup))
        return false;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES
        || GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    // A link at the backup name is nothing a replace of ours left: it is not put in HOSTS' place.
    if (IsLink(BackupPathFor(targetPath)))
        return false;
    return MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool CReplacementFile::Commit(bool bTargetExists)
{
    std::wstring target;
    std::wstring temporaryPath;
    std::wstring backup;
    if (!ToWidePath(m_targetPath, target) || !ToWidePath(m_temporaryPath, temporaryPath)
        || !ToWidePath(BackupPathFor(m_targetPath), backup) || IsLink(BackupPathFor(m_targetPath))
        || !FlushFileBuffers(m_file.Get()))
        return false;
    m_file.Close();

    // Without REPLACE_EXISTING the move fails rather than overwrite a file made meanwhile.
    const bool bReplaced = bTargetExists
                               ? ReplaceExisting(AsSpeltOnDisk(target), temporaryPath, backup)
                               : MoveFileExW(temporaryPath.c_str(), target.c_str(),
                                             MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!bReplaced) {
        RemoveFile(temporaryPath);
        // A replace that failed after moving the old file to the backup name has it put back now,
        // not only by the next rewrite. Should that fail too, HOSTS waits under the backup name.
        static_cast<void>(RecoverInterruptedReplace(m_targetPath));
    }
    return bReplaced;
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
