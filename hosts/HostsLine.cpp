#include "hosts/HostsLine.h"

#include "hosts/GbkText.h"

#include <algorithm>

HostsLine ParseHostsLine(std::string_view raw, std::string& scratch)
{
    std::string_view line = raw;
    if (line.find('\r') != std::string_view::npos) {
        scratch.assign(raw);
        scratch.erase(std::remove(scratch.begin(), scratch.end(), '\r'), scratch.end());
        line = scratch;
    }
    line = TrimLeft(line);
    if (line.empty() || line.front() == '#')
        return {line, {}};

    line = TrimRight(line);
    const std::size_t blank = FindBlank(line);
    if (blank == std::string_view::npos)
        return {line, {}};
    return {line.substr(0, blank), Trim(line.substr(blank + 1))};
}

void AppendHostsLine(std::string& out, std::string_view address, std::string_view rest)
{
    out.append(address);
    if (!rest.empty()) {
        out.append("  ");
        out.append(rest);
    }
    out.append("\r\n");
}
