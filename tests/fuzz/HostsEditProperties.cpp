#include "tests/fuzz/HostsEditProperties.h"

#include "hosts/GbkText.h"
#include "hosts/HostsEdit.h"
#include "hosts/HostsLine.h"
#include "optimize/RouteTables.h"
#include "optimize/ServerGroup.h"

#include <vector>

namespace {

// The bytes between line feeds; a last line without one counts, the nothing after a final
// line feed does not.
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// Whether the host names of a line's rest include hostName, as a resolver compares them.
bool NamesHost(std::string_view rest, std::string_view hostName)
{
    bool bNamed = false;
    ForEachHostName(rest, [&](std::string_view name) {
        bNamed = bNamed || EqualsIgnoreAsciiCase(name, hostName);
    });
    return bNamed;
}

bool NamesRouteHost(std::string_view line, const CRouteTable& table)
{
    const HostsLine parsed = ParseHostsLine(line);
    for (const RouteEntry& entry : table) {
        if (NamesHost(parsed.strHostName, entry.strHostName))
            return true;
    }
    return false;
}

// How the edit writes a line it keeps, CR LF included. Only a CR that ends the line is its line
// end; any other is white space that stays where white space stays.
std::string KeptForm(std::string_view line)
{
    const char* const kWhite = " \t\v\f\r";
    std::string text(line);
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    text.erase(0, text.find_first_not_of(kWhite));
    if (!text.empty() && text[0] != '#') {
        text.erase(text.find_last_not_of(kWhite) + 1);
        const std::size_t blank = text.find_first_of(" \t\r");
        if (blank != std::string::npos)
            text.replace(blank, text.find_first_not_of(kWhite, blank) - blank, "  ");
    }
    return text + "\r\n";
}

// Whether every line ends in CR LF.
bool HasCrLfLines(std::string_view text)
{
    for (const std::string_view line : SplitLines(text)) {
        if (line.empty() || line.back() != '\r')
            return false;
    }
    return text.empty() || text.back() == '\n';
}

bool KeepsOtherLines(std::string_view input, std::string_view output, const CRouteTable& table)
{
    std::vector<std::string> expected;
    for (const std::string_view line : SplitLines(input)) {
        if (!NamesRouteHost(line, table))
            expected.push_back(KeptForm(line));
    }
    std::vector<std::string> actual;
    for (const std::string_view line : SplitLines(output)) {
        if (!NamesRouteHost(line, table))
            actual.push_back(std::string(line) + "\n");
    }
    return actual == expected;
}

// Whether a resolver reading the text, which takes the first line naming a host, finds every
// host of the table at the table's address.
bool ResolvesToTable(std::string_view text, const CRouteTable& table)
{
    std::vector<const RouteEntry*> unresolved;
    for (const RouteEntry& entry : table)
        unresolved.push_back(&entry);
    for (const std::string_view line : SplitLines(text)) {
        const HostsLine parsed = ParseHostsLine(line);
        for (auto it = unresolved.begin(); it != unresolved.end();) {
            if (!NamesHost(parsed.strHostName, (*it)->strHostName)) {
                ++it;
                continue;
            }
            if (parsed.strAddress != (*it)->strAddress)
                return false;
            it = unresolved.erase(it);
        }
    }
    return unresolved.empty();
}

std::string Failure(const char* what, const char* edit, int group)
{
    return std::string(edit) + " " + what + " (group " + std::to_string(group + 1) + ")";
}

constexpr const char kBadLineEnd[] = "writes a line not ended by CR LF";
constexpr const char kOtherLineChanged[] =
    "changes, drops, adds or moves a line naming no route host";

} // namespace

std::string CheckHostsEditProperties(std::string_view text)
{
    CRouteTable tables[kServerGroupCount];
    FillRouteTables(tables[0], tables[1], tables[2]);

    // The program restores with the first group's table whichever group it applied; restore
    // never looks at the addresses, so every table restores alike.
    const std::string restored = EditHostsText(text, tables[0], true);
    for (int group = 0; group < kServerGroupCount; ++group) {
        if (group > 0 && EditHostsText(text, tables[group], true) != restored)
            return Failure("depends on the table's addresses", "restore", group);
    }
    if (!HasCrLfLines(restored))
        return Failure(kBadLineEnd, "restore", 0);
    if (!KeepsOtherLines(text, restored, tables[0]))
        return Failure(kOtherLineChanged, "restore", 0);

    for (int group = 0; group < kServerGroupCount; ++group) {
        const std::string applied = EditHostsText(text, tables[group], false);
        if (!HasCrLfLines(applied))
            return Failure(kBadLineEnd, "apply", group);
        if (!KeepsOtherLines(text, applied, tables[group]))
            return Failure(kOtherLineChanged, "apply", group);
        if (!ResolvesToTable(applied, tables[group]))
            return Failure("leaves a route host at another address", "apply", group);
        if (EditHostsText(applied, tables[group], false) != applied)
            return Failure("twice differs from apply once", "apply", group);
        if (EditHostsText(applied, tables[0], true) != restored)
            return Failure("after apply differs from restore alone", "restore", group);
    }
    return {};
}
