#include "hosts/GbkText.h"

namespace {

bool IsLeadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

bool IsTrailByte(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFE);
}

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::size_t GbkCharLength(std::string_view text, std::size_t pos)
{
    if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos]))
        && IsTrailByte(static_cast<unsigned char>(text[pos + 1])))
        return 2;
    return 1;
}

bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimLeft(std::string_view text)
{
    std::size_t pos = 0;
    while (pos < text.size() && IsWhiteSpace(text[pos]))
        ++pos;
    return text.substr(pos);
}

std::string_view TrimRight(std::string_view text)
{
    // White space (0x09-0x0D, 0x20) is never a trail byte (0x40 and up), so a white space byte
    // at the end is a character of its own and the text can be trimmed from its end.
    std::size_t end = text.size();
    while (end > 0 && IsWhiteSpace(text[end - 1]))
        --end;
    return text.substr(0, end);
}

std::string_view Trim(std::string_view text)
{
    return TrimRight(TrimLeft(text));
}

std::size_t FindBlank(std::string_view text)
{
    // Space, tab and CR are never trail bytes, so the first blank byte is the first blank
    // character.
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        if (IsBlank(text[pos]))
            return pos;
    }
    return std::string_view::npos;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t pos = 0; pos < a.size();) {
        const std::size_t length = GbkCharLength(a, pos);
        if (length != GbkCharLength(b, pos))
            return false;
        if (length == 2) {
            if (a[pos] != b[pos] || a[pos + 1] != b[pos + 1])
                return false;
        } else if (FoldAscii(a[pos]) != FoldAscii(b[pos])) {
            return false;
        }
        pos += length;
    }
    return true;
}
