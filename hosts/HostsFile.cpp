#include "hosts/HostsFile.h"

#include "hosts/FinalPath.h"
#include "hosts/HostsEdit.h"
#include "hosts/HostsFileRead.h"
#include "hosts/ReplacementFile.h"

#include <new>

namespace {

// Editing UTF-16 text as bytes would corrupt it.
bool BeginsWithUtf16Mark(const std::string& bytes)
{
    return bytes.size() >= 2
           && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
}

} // namespace

bool RewriteHostsFileAt(const std::string& path, const CRouteTable& routeTable, bool bRestore)
{
    // A file too large for this process's memory is a failure like any other: the replacement
    // file, if made, is removed on the way out and the file keeps its bytes.
    try {
        std::string file;
        if (path.empty() || !FindFinalPath(path, file)
            || !CReplacementFile::RecoverInterruptedReplace(file))
            return false;
        std::string bytes;
        const HostsReadResult read = ReadHostsFileForEdit(file, bytes);
        if (read == HostsReadResult::Failed || BeginsWithUtf16Mark(bytes))
            return false;

        const CHostsEdit edit(routeTable, bRestore);
        CReplacementFile replacement(file);
        return replacement.Create() && edit.WriteTo(bytes, replacement)
               && replacement.Commit(read == HostsReadResult::Read);
    } catch (const std::bad_alloc&) {
        return false;
    }
}
