#pragma once

#include "hosts/RewriteFailure.h"
#include "optimize/RouteTable.h"

#include <string>

// Rewrites the HOSTS file at path with the route table: apply (bRestore false) maps each of its
// host names to its address, restore (bRestore true) takes the lines naming them out (see
// CHostsEdit). A missing file is created, unless a replace stopped midway left the old content
// under its backup name: that is put back first. The new content replaces the file in one step;
// when path is a symbolic link, the file it leads to is rewritten and the link kept.
// Another program may use the file too. What it wrote between the read and the replace is never
// lost: on Windows it cannot write while the file is held from the read to the replace; a change
// it made all the same (a replace of its own) makes the edit start again from its content, a few
// times at most. Another process's handle that blocks a step (a scanner's) is waited out for
// about two seconds.
// Returns true when the file now holds the edit; on false (the file cannot be read or written,
// it begins with a UTF-16 byte-order mark, the disk is full, it does not fit in memory, it stays
// locked ...) the file is byte-identical and no temporary file is left, and failure says which
// step failed with which error. On Windows path is in the system's ANSI code page.
[[nodiscard]] bool RewriteHostsFileAt(const std::string& path, const CRouteTable& routeTable,
                                      bool bRestore, RewriteFailure& failure);
[[nodiscard]] bool RewriteHostsFileAt(const std::string& path, const CRouteTable& routeTable,
                                      bool bRestore);
