#pragma once

#include "hosts/HeldFile.h"
#include "hosts/RewriteFailure.h"

#include <string>

enum class HostsReadResult {
    Read,    // bytes hold the whole file
    Missing, // no such file; bytes is empty (POSIX says so for a missing directory too, where
             // creating the new file then fails)
    Failed,  // it cannot be opened for reading and writing, or reading failed
};

// Reads the whole file in binary and keeps it open in held, its state noted before the read. The
// file is opened for reading and writing, so a file this process may not change (read-only, no
// right to write it) fails here, before anything is written. On Windows, while held is open no
// other process can open the file for writing, and another process's handle that keeps it from
// being opened (a scanner's, an editor's) is waited out for a moment; path is in the system's
// ANSI code page there. On Failed, failure says which call failed and why.
[[nodiscard]] HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes,
                                                   CHeldFile& held, RewriteFailure& failure);
// The same, the file closed again on return.
[[nodiscard]] HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes);
