#include "hosts/HostsFile.h"

#include "hosts/FinalPath.h"
#include "hosts/HeldFile.h"
#include "hosts/HostsEdit.h"
#include "hosts/HostsFileRead.h"
#include "hosts/ReplacementFile.h"

#include <new>

namespace {

// How often the edit starts again from what another program wrote to HOSTS meanwhile, before
// the rewrite gives up rather than keep racing it.
constexpr int kMaxAttempts = 3;

// Editing UTF-16 text as bytes would corrupt it.
bool BeginsWithUtf16Mark(const std::string& bytes)
{
    return bytes.size() >= 2
           && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

using CommitResult = CReplacementFile::CommitResult;

// One read, edit and replace of the file at its final path.
CommitResult RewriteOnce(const std::string& file, const CHostsEdit& edit, RewriteFailure& failure)
{
    std::string bytes;
    CHeldFile held;
    const HostsReadResult read = ReadHostsFileForEdit(file, bytes, held, failure);
    if (read == HostsReadResult::Failed)
        return CommitResult::Failed;
    if (BeginsWithUtf16Mark(bytes)) {
        failure = {"HOSTS is UTF-16 text", 0};
        return CommitResult::Failed;
    }
    CReplacementFile replacement(file);
    if (!replacement.Create() || !edit.WriteTo(bytes, replacement)) {
        failure = replacement.Failure();
        return CommitResult::Failed;
    }
    const CommitResult result = replacement.Commit(held);
    failure = replacement.Failure();
    return result;
}

} // namespace

bool RewriteHostsFileAt(const std::string& path, const CRouteTable& routeTable, bool bRestore,
                        RewriteFailure& failure)
{
    failure = {};
    // A file too large for this process's memory is a failure like any other: the replacement
    // file, if made, is removed on the way out and the file keeps its bytes.
    try {
        std::string file;
        if (path.empty() || !FindFinalPath(path, file)) {
            failure = {"the final path of HOSTS", 0};
            return false;
        }
        if (!CReplacementFile::RecoverInterruptedReplace(file, failure))
            return false;
        const CHostsEdit edit(routeTable, bRestore);
        for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
            const CommitResult result = RewriteOnce(file, edit, failure);
            if (result != CommitResult::TargetChanged)
                return result == CommitResult::Replaced;
        }
        return false;
    } catch (const std::bad_alloc&) {
        failure = {"out of memory", 0};
        return false;
    }
}

bool RewriteHostsFileAt(const std::string& path, const CRouteTable& routeTable, bool bRestore)
{
    RewriteFailure failure;
    return RewriteHostsFileAt(path, routeTable, bRestore, failure);
}
