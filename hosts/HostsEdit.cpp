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
    static constexpr std::size_t kChunk = std::size_t{64} * 1024;
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
    // All ones above, so that FindRouteHost looked at every host while the table was gathered.
    m_nameLengths = 0; // NOLINT(cppcoreguidelines-prefer-member-initializer): set twice on purpose, see above
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

// Apply: whether each route host's first line has been met. Restore: how many more lines naming
// the host alone may go; 0 also once a line names it with other hosts, which no entry removes.
class CHostsEdit::CEditPass {
public:
    CEditPass(const CHostsEdit& edit, IHostsWriter& writer)
        : m_edit(edit), m_output(writer), m_bDone(edit.m_routeHosts.size(), false)
    {
        for (const RouteHost& routeHost : edit.m_routeHosts)
            m_nToRemove.push_back(routeHost.nEntries);
    }

    [[nodiscard]] bool Line(std::string_view raw)
    {
        const HostsLine line = ParseHostsLine(raw);
        FindNamedHosts(line.strHostName);
        return m_edit.m_bRestore ? Restore(line) : Apply(line);
    }

    // After the last line: apply appends the route hosts that no line named.
    [[nodiscard]] bool Finish()
    {
        if (!m_edit.m_bRestore) {
            for (std::size_t host = 0; host < m_bDone.size(); ++host) {
                if (!m_bDone[host] && !AddRouteLine(host))
                    return false;
            }
        }
        return m_output.Flush();
    }

private:
    void FindNamedHosts(std::string_view rest)
    {
        m_named.Clear();
        ForEachHostName(rest, [this](std::string_view name) {
            const std::size_t host = m_edit.FindRouteHost(name);
            if (host == std::string::npos)
                m_named.bOthers = true;
            else
                m_named.Add(host);
        });
    }

    [[nodiscard]] bool Restore(const HostsLine& line)
    {
        if (m_named.Alone() && m_nToRemove[m_named.hosts[0]] > 0) {
            --m_nToRemove[m_named.hosts[0]];
            return true;
        }
        for (const std::size_t host : m_named.hosts)
            m_nToRemove[host] = 0;
        return m_output.Line(line.strAddress, line.strHostName);
    }

    [[nodiscard]] bool Apply(const HostsLine& line)
    {
        if (m_named.Alone() && !m_bDone[m_named.hosts[0]]) {
            m_bDone[m_named.hosts[0]] = true;
            return m_output.Line(m_edit.m_routeHosts[m_named.hosts[0]].strAddress, line.strHostName);
        }
        for (const std::size_t host : m_named.hosts) {
            if (!m_bDone[host] && !AddRouteLine(host))
                return false;
        }
        return m_output.Line(line.strAddress, line.strHostName);
    }

    // The route host's own line, which is from now on the first line naming it.
    [[nodiscard]] bool AddRouteLine(std::size_t host)
    {
        m_bDone[host] = true;
        const RouteHost& routeHost = m_edit.m_routeHosts[host];
        return m_output.Line(routeHost.strAddress, routeHost.strHostName);
    }

    const CHostsEdit& m_edit;
    CChunkedOutput m_output;
    std::vector<bool> m_bDone;
    std::vector<std::size_t> m_nToRemove;
    NamedHosts m_named;
};

bool CHostsEdit::WriteTo(std::string_view text, IHostsWriter& writer) const
{
    CEditPass pass(*this, writer);
    return ForEachLine(text, [&pass](std::string_view raw) { return pass.Line(raw); })
           && pass.Finish();
}

std::string EditHostsText(std::string_view text, const CRouteTable& routeTable, bool bRestore)
{
    CStringWriter writer;
    (void)CHostsEdit(routeTable, bRestore).WriteTo(text, writer);
    return writer.m_text;
}
