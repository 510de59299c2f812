#pragma once

#include <string>

enum class HostsReadResult {
    Read,    // bytes hold the whole file
    Missing, // no such file; bytes is empty (POSIX says so for a missing directory too, where
             // creating the new file then fails)
    Failed,  // it cannot be opened for reading and writing, or reading failed
};

// Reads the whole file in binary. The file is opened for reading and writing, so a file this
// process may not change (read-only, no right to write it) fails here, before anything is
// written. On Windows no other process can open it meanwhile (share mode 0); path is in the
// system's ANSI code page there.
[[nodiscard]] HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes);
