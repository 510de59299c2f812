#include "hosts/HostsEdit.h"

#include "hosts/GbkText.h"

#include <vector>

namespace {

// Calls visit(index, bytes) for each line: the bytes up to a line feed, and a last line that
// lacks one.
template <typename Visit>
bool ForEachLine(std::string_view text, Visit visit)
{
    std::size_t index = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        if (!visit(index++, text.substr(pos, end - pos)))
            return false;
        pos = end + 1;
    }
    return true;
}

class CStringWriter : public IHostsWriter {
public:
    [[nodiscard]] bool Write(std::string_view bytes) override
    {
        m_text.append(bytes);
        return true;
    }
    std::string m_text;
};

// Collects output and hands it to the writer in large pieces.
class CChunkedOutput {
public:
    explicit CChunkedOutput(IHostsWriter& writer) : m_writer(writer) { m_chunk.reserve(kChunk); }

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

} // namespace

CHostsEdit::CHostsEdit(std::string_view text, const CRouteTable& routeTable, bool bRestore)
    : m_text(text)
{
    FindRouteHostLines(routeTable);
    for (const RouteEntry& entry : routeTable) {
        if (bRestore)
            Restore(entry);
        else
            Apply(entry);
    }
}

void CHostsEdit::FindRouteHostLines(const CRouteTable& routeTable)
{
    std::vector<std::string_view> hosts;
    for (const RouteEntry& entry : routeTable)
        hosts.push_back(entry.strHostName);

    std::string scratch;
    (void)ForEachLine(m_text, [&](std::size_t index, std::string_view raw) {
        const HostsLine line = ParseHostsLine(raw, scratch);
        bool bNamesRouteHost = false;
        ForEachHostName(line.strHostName, [&](std::string_view name) {
            for (std::string_view host : hosts)
                bNamesRouteHost = bNamesRouteHost || EqualsIgnoreAsciiCase(name, host);
        });
        if (bNamesRouteHost) {
            m_plannedLines.push_back({index, false, false, false, std::string(line.strAddress),
                                      std::string(line.strHostName)});
        }
        return true;
    });
}

std::list<CHostsEdit::PlannedLine>::iterator CHostsEdit::FindFirstNaming(const std::string& host,
                                                                         HostMatch& match)
{
    for (auto it = m_plannedLines.begin(); it != m_plannedLines.end(); ++it) {
        if (it->bRemoved)
            continue;
        match = MatchHost(it->strHostName, host);
        if (match != HostMatch::None)
            return it;
    }
    match = HostMatch::None;
    return m_plannedLines.end();
}

void CHostsEdit::Apply(const RouteEntry& entry)
{
    HostMatch match;
    auto it = FindFirstNaming(entry.strHostName, match);
    if (match == HostMatch::None) {
        m_plannedLines.push_back({kAtEnd, true, false, false, entry.strAddress, entry.strHostName});
    } else if (match == HostMatch::Alone) {
        it->bNewAddress = true;
        it->strAddress = entry.strAddress;
    } else {
        m_plannedLines.insert(it, {it->nLine, true, false, false, entry.strAddress,
                                   entry.strHostName});
    }
}

void CHostsEdit::Restore(const RouteEntry& entry)
{
    HostMatch match;
    auto it = FindFirstNaming(entry.strHostName, match);
    if (match == HostMatch::Alone)
        it->bRemoved = true;
}

bool CHostsEdit::WriteTo(IHostsWriter& writer) const
{
    CChunkedOutput output(writer);
    auto planned = m_plannedLines.begin();
    std::string scratch;
    const bool bWritten = ForEachLine(m_text, [&](std::size_t index, std::string_view raw) {
        for (; planned != m_plannedLines.end() && planned->nLine == index && planned->bFromRoute;
             ++planned) {
            if (!output.Line(planned->strAddress, planned->strHostName))
                return false;
        }
        const HostsLine line = ParseHostsLine(raw, scratch);
        if (planned == m_plannedLines.end() || planned->nLine != index)
            return output.Line(line.strAddress, line.strHostName);
        const PlannedLine& edited = *planned++;
        if (edited.bRemoved)
            return true;
        return output.Line(edited.bNewAddress ? std::string_view(edited.strAddress)
                                              : line.strAddress,
                           line.strHostName);
    });
    if (!bWritten)
        return false;
    for (; planned != m_plannedLines.end(); ++planned) {
        if (!output.Line(planned->strAddress, planned->strHostName))
            return false;
    }
    return output.Flush();
}

std::string EditHostsText(std::string_view text, const CRouteTable& routeTable, bool bRestore)
{
    CStringWriter writer;
    (void)CHostsEdit(text, routeTable, bRestore).WriteTo(writer);
    return writer.m_text;
}
