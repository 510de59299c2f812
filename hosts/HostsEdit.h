#pragma once

#include "hosts/HostsLine.h"
#include "optimize/RouteTable.h"

#include <cstddef>
#include <list>
#include <string>
#include <string_view>

// Receives the edited file in pieces.
class IHostsWriter {
public:
    virtual ~IHostsWriter() = default;
    [[nodiscard]] virtual bool Write(std::string_view bytes) = 0;
};

// An edit of a HOSTS file's text by a route table. Every line is kept, in order and normalised
// (see AppendHostsLine); for each route entry (A, H) the first line that names H decides:
//   apply:   none -> (A, H) appended; H alone -> its address becomes A, its rest stays;
//            H with other hosts -> (A, H) inserted directly before it.
//   restore: H alone -> removed; otherwise nothing.
// Only the lines that name a route host are held apart; the others are streamed from the text
// on writing, so the edit needs little memory beyond the text itself.
class CHostsEdit {
public:
    // text must outlive the edit.
    CHostsEdit(std::string_view text, const CRouteTable& routeTable, bool bRestore);

    // Writes the edited file; false as soon as the writer fails.
    [[nodiscard]] bool WriteTo(IHostsWriter& writer) const;

private:
    static constexpr std::size_t kAtEnd = static_cast<std::size_t>(-1);

    struct PlannedLine {
        std::size_t nLine;        // the file line it is, or stands before; kAtEnd: appended
        bool bFromRoute;          // a route entry, not a line of the file
        bool bRemoved;
        bool bNewAddress;
        std::string strAddress;   // route entry, or a file line's new address
        std::string strHostName;  // route entry: its host; file line: its rest
    };

    void FindRouteHostLines(const CRouteTable& routeTable);
    std::list<PlannedLine>::iterator FindFirstNaming(const std::string& host, HostMatch& match);
    void Apply(const RouteEntry& entry);
    void Restore(const RouteEntry& entry);

    std::string_view m_text;
    // The lines that name a route host and the route entries placed among them, in file order.
    std::list<PlannedLine> m_plannedLines;
};

// The edited text in one string.
std::string EditHostsText(std::string_view text, const CRouteTable& routeTable, bool bRestore);
