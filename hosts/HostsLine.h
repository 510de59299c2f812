#pragma once

#include "hosts/GbkText.h"

#include <string>
#include <string_view>

// One line of a HOSTS file, split the way it is written back: the first field (the address of
// a data line, or a whole comment line) and the rest (the host names and any remark). Both view
// the bytes given to ParseHostsLine.
struct HostsLine {
    std::string_view strAddress;
    std::string_view strHostName;
};

// Splits one line (the bytes between two line feeds, or after the last one). A CR that ends
// them is the line end; any other CR (old Mac line ends, a stray CR) stays in the line and
// separates as white space does, so that the text on either side never runs together.
// - comment line (first non-white character "#") or blank line: the line without its leading
//   white space, and an empty rest;
// - data line: trimmed, split at its first space, tab or CR into the address and the trimmed
//   rest; a line without one is carried whole with an empty rest.
HostsLine ParseHostsLine(std::string_view raw);

// Calls visit(name) for each host name in the rest of a line: its words up to the first that
// begins with "#" (a remark), as the resolver reads them. Space, tab, CR and "#" are never the
// trail byte of a double-byte character, so a byte scan cannot split one.
template <typename Visit>
void ForEachHostName(std::string_view rest, Visit visit)
{
    std::size_t pos = 0;
    while (pos < rest.size()) {
        while (pos < rest.size() && IsBlank(rest[pos]))
            ++pos;
        if (pos == rest.size() || rest[pos] == '#')
            return;
        std::size_t end = pos;
        while (end < rest.size() && !IsBlank(rest[end]))
            ++end;
        visit(rest.substr(pos, end - pos));
        pos = end;
    }
}

// Appends the line as written to the file: the address alone when the rest is empty, otherwise
// the address, two spaces and the rest; then CR LF. A comment that ends in a CR keeps it before
// the CR LF, where it reads back as the same line.
void AppendHostsLine(std::string& out, std::string_view address, std::string_view rest);
