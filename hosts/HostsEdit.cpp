#include "hosts/HostsEdit.h"

#include "hosts/GbkText.h"
#include "hosts/HostsLine.h"

namespace {

class CStringWriter : public IHostsWriter {
public:
    [[nodiscard]] bool Write(std::string_view bytes) override
    {
        m_text.append(bytes);
        return true;
    }
    std::string m_text;
};

// Collects output lines and hands them to the writer in large pieces.
class CChunkedOutput {
public:
    explicit CChunkedOutput(IHostsWriter& writer) : m_writer(writer) { m_chunk.reserve(kChunk + 1024); }

    [[nodiscard]] bool Line(std::string_view address, std::string_view rest)
    {
        AppendHostsLine(m_chunk, address, rest);
        return m_chunk.size() < kChunk || Flush();
    }

    [[nodiscard]] bool Flush()
    {
        const bool bWritten = m_writer.Write(m_chunk);
        m_chunk.clear();
        return bWritten;
    }

private:
    static constexpr std::size_t kChunk = 64 * 1024;
    IHostsWriter& m_writer;
    std::string m_chunk;
};

// Which route hosts a line names: each at most once, in route host order, and whether it names
// anything else.
struct NamedHosts {
    std::vector<std::size_t> hosts;
    bool bOthers = false;

    void Clear()
    {
        hosts.clear();
        bOthers = false;
    }
    void Add(std::size_t host)
    {
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            if (hosts[i] == host)
                return;
            if (hosts[i] > host) {
                hosts.insert(hosts.begin() + static_cast<std::ptrdiff_t>(i), host);
                return;
            }
        }
        hosts.push_back(host);
    }
    bool Alone() const { return hosts.size() == 1 && !bOthers; }
};

// Calls visit(bytes) for each line: the bytes up to a line feed, and a last line that lacks one.
template <typename Visit>
bool ForEachLine(std::string_view text, Visit visit)
{
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        if (!visit(text.substr(pos, end - pos)))
            return false;
        pos = end + 1;
    }
    return true;
}

} // namespace

CHostsEdit::CHostsEdit(const CRouteTable& routeTable, bool bRestore)
    : m_nameLengths(~std::uint64_t{0}), m_bRestore(bRestore)
{
    for (const RouteEntry& entry : routeTable) {
        const std::size_t host = FindRouteHost(entry.strHostName);
        if (host == std::string::npos) {
            m_routeHosts.push_back({entry.strHostName, entry.strAddress, 1});
        } else {
            m_routeHosts[host].strAddress = entry.strAddress;
            ++m_routeHosts[host].nEntries;
        }
    }
    m_nameLengths = 0;
    for (const RouteHost& routeHost : m_routeHosts) {
        const std::size_t length = routeHost.strHostName.size();
        m_nameLengths |= length < 64 ? std::uint64_t{1} << length : std::uint64_t{1} << 63;
    }
}

std::size_t CHostsEdit::FindRouteHost(std::string_view name) const
{
    const std::size_t lengthBit = name.size() < 64 ? name.size() : 63;
    if ((m_nameLengths >> lengthBit & 1) == 0)
        return std::string::npos;
    for (std::size_t host = 0; host < m_routeHosts.size(); ++host) {
        if (EqualsIgnoreAsciiCase(name, m_routeHosts[host].strHostName))
            return host;
    }
    return std::string::npos;
}

bool CHostsEdit::WriteTo(std::string_view text, IHostsWriter& writer) const
{
    CChunkedOutput output(writer);
    // Apply: whether a host's first line has been met. Restore: how many more lines naming the
    // host alone may go; 0 also once a line names it with other hosts, which no entry removes.
    std::vector<bool> bDone(m_routeHosts.size(), false);
    std::vector<std::size_t> nToRemove;
    for (const RouteHost& routeHost : m_routeHosts)
        nToRemove.push_back(routeHost.nEntries);

    NamedHosts named;
    std::string scratch;
    const bool bWritten = ForEachLine(text, [&](std::string_view raw) {
        const HostsLine line = ParseHostsLine(raw, scratch);
        named.Clear();
        ForEachHostName(line.strHostName, [&](std::string_view name) {
            const std::size_t host = FindRouteHost(name);
            if (host == std::string::npos)
                named.bOthers = true;
            else
                named.Add(host);
        });
        if (m_bRestore) {
            if (named.Alone() && nToRemove[named.hosts[0]] > 0) {
                --nToRemove[named.hosts[0]];
                return true;
            }
            for (std::size_t host : named.hosts)
                nToRemove[host] = 0;
            return output.Line(line.strAddress, line.strHostName);
        }
        if (named.Alone() && !bDone[named.hosts[0]]) {
            bDone[named.hosts[0]] = true;
            return output.Line(m_routeHosts[named.hosts[0]].strAddress, line.strHostName);
        }
        for (std::size_t host : named.hosts) {
            if (!bDone[host]) {
                bDone[host] = true;
                if (!output.Line(m_routeHosts[host].strAddress, m_routeHosts[host].strHostName))
                    return false;
            }
        }
        return output.Line(line.strAddress, line.strHostName);
    });
    if (!bWritten)
        return false;
    if (!m_bRestore) {
        for (std::size_t host = 0; host < m_routeHosts.size(); ++host) {
            if (!bDone[host]
                && !output.Line(m_routeHosts[host].strAddress, m_routeHosts[host].strHostName))
                return false;
        }
    }
    return output.Flush();
}

std::string EditHostsText(std::string_view text, const CRouteTable& routeTable, bool bRestore)
{
    CStringWriter writer;
    (void)CHostsEdit(routeTable, bRestore).WriteTo(text, writer);
    return writer.m_text;
}
