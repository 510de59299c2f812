#include "hosts/HostsLine.h"

#include "hosts/GbkText.h"

HostsLine ParseHostsLine(std::string_view raw)
{
    std::string_view line = raw;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
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
