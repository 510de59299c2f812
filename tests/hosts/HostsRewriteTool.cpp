// Rewrites a HOSTS file the way the program does, for the tests that need a separate process
// (another user, a full disk, a memory limit, a kill in the middle) and for the benchmark. Built
// natively and for Windows, where PATH is a Windows path in the ANSI code page.
// Usage: hosts_rewrite_tool apply|restore|cycle PATH
//   apply: group 2's table; restore: group 1's table; cycle: apply and restore in turn until
//   killed, after printing "cycling" (the process has started, however long that took). Exit status 0 when the file holds the edit, 1 when the rewrite failed (which step
//   failed with which system error is printed), 2 on misuse.
#include "hosts/HostsFile.h"
#include "optimize/RouteTables.h"

#include <cstdio>
#include <cstring>

namespace {

bool Rewrite(const std::string& path, const CRouteTable& routeTable, bool bRestore)
{
    RewriteFailure failure;
    if (RewriteHostsFileAt(path, routeTable, bRestore, failure))
        return true;
    (void)std::fprintf(stderr, "%s failed: %s, error %lu\n", bRestore ? "restore" : "apply", failure.szStep,
                       failure.nError);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    CRouteTable routeTable1;
    CRouteTable routeTable2;
    CRouteTable routeTable3;
    FillRouteTables(routeTable1, routeTable2, routeTable3);
    const char* mode = argv[1];
    const std::string path = argv[2];

    if (std::strcmp(mode, "apply") == 0)
        return Rewrite(path, routeTable2, false) ? 0 : 1;
    if (std::strcmp(mode, "restore") == 0)
        return Rewrite(path, routeTable1, true) ? 0 : 1;
    if (std::strcmp(mode, "cycle") == 0) {
        (void)std::puts("cycling");
        (void)std::fflush(stdout);
        for (;;) {
            if (!Rewrite(path, routeTable2, false) || !Rewrite(path, routeTable1, true))
                return 1;
        }
    }
    return 2;
}
