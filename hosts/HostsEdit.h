#pragma once

#include "hosts/IHostsWriter.h"
#include "optimize/RouteTable.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An edit of a HOSTS file's text by a route table. Every line is kept, in order and normalised
// (see AppendHostsLine). For each route entry (A, H), in table order, the first line that names
// H (one of its host names, see ForEachHostName, equals H ignoring ASCII case), counting the
// lines that earlier entries placed, decides:
//   apply:   none -> (A, H) appended; H alone -> its address becomes A, its rest stays;
//            H with other hosts -> (A, H) inserted directly before it.
//   restore: H alone -> removed; otherwise nothing.
// Entries for the same host only meet each other's lines, so the whole edit is decided per host
// and the file is edited in one pass, line by line, without a copy of its lines.
class CHostsEdit {
public:
    CHostsEdit(const CRouteTable& routeTable, bool bRestore);

    // Writes the edited text; false as soon as the writer fails.
    [[nodiscard]] bool WriteTo(std::string_view text, IHostsWriter& writer) const;

private:
    // The route entries for one host name, ignoring case, in the order of the first of them.
    struct RouteHost {
        std::string strHostName; // as the first entry spells it
        std::string strAddress;  // the last entry's: each later entry rewrites the line
        std::size_t nEntries;
    };

    // One WriteTo pass over a file's lines and what it has decided so far.
    class CEditPass;

    // The index of the route host that name equals, or npos.
    std::size_t FindRouteHost(std::string_view name) const;

    std::vector<RouteHost> m_routeHosts;
    // Bit n set: a route host name has n bytes (n < 64); a quick no for most names of a file.
    std::uint64_t m_nameLengths;
    bool m_bRestore;
};

// The edited text in one string.
std::string EditHostsText(std::string_view text, const CRouteTable& routeTable, bool bRestore);
