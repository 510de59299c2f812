#pragma once

#include "hosts/FileHandle.h"
#include "hosts/HeldFile.h"
#include "hosts/IHostsWriter.h"
#include "hosts/RewriteFailure.h"

#include <string>
#include <string_view>

// The new content of a file, written beside it under a fixed temporary name and then put in its
// place in one step, so the file holds either its old or its new content, never a mix. Whatever
// a killed process left under the temporary name is removed by the next Create, which then makes
// a new file there (never writing into an existing one: it may be a hard link to another file).
// Unless Commit succeeds, the destructor removes the temporary file.
class CReplacementFile : public IHostsWriter {
public:
    explicit CReplacementFile(std::string targetPath);
    ~CReplacementFile() override;
    CReplacementFile(const CReplacementFile&) = delete;
    CReplacementFile& operator=(const CReplacementFile&) = delete;

    enum class CommitResult {
        Replaced,
        // Another program changed or made the target since it was read; nothing was replaced.
        TargetChanged,
        Failed,
    };

    [[nodiscard]] bool Create();
    [[nodiscard]] bool Write(std::string_view bytes) override;
    // Flushes the temporary file to disk and puts it in the target's place. target is the target
    // as read, still open, or not open when there was none: an existing target is replaced
    // (keeping its security, attributes and times on Windows), a missing one is created. Closes
    // target.
    [[nodiscard]] CommitResult Commit(CHeldFile& target);
    // What failed, after Create, Write or Commit did.
    const RewriteFailure& Failure() const { return m_failure; }

    static std::string TemporaryPathFor(const std::string& targetPath)
    {
        return targetPath + ".tirox-new";
    }
    // Where a replace on Windows keeps the old file until the new one is in place.
    static std::string BackupPathFor(const std::string& targetPath)
    {
        return targetPath + ".tirox-old";
    }

    // A replace stopped between its two moves (the process killed, the power lost) leaves the old
    // content under the backup name alone, and a rewrite would then start from an empty file:
    // puts that backup back in place. False when one is there and cannot be put back, and
    // failure says why.
    [[nodiscard]] static bool RecoverInterruptedReplace(const std::string& targetPath,
                                                        RewriteFailure& failure);

private:
    void Discard();
    bool Fail(const char* szStep);

    std::string m_targetPath;
    std::string m_temporaryPath;
    CFileHandle m_file;
    RewriteFailure m_failure;
};
