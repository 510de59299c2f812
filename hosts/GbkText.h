#pragma once

#include <cstddef>
#include <string_view>

// Scanning helpers for byte strings in code page 936 (GBK). A lead byte 0x81-0xFE followed by a
// trail byte 0x40-0x7E or 0x80-0xFE forms one character, which is always stepped over whole.

// The length (1 or 2) of the character that starts at pos.
std::size_t GbkCharLength(std::string_view text, std::size_t pos);

// Space, tab, line feed, vertical tab, form feed, carriage return.
bool IsWhiteSpace(char c);
// Space, tab or a CR inside a line: what separates the fields and names of a HOSTS line.
bool IsBlank(char c);

std::string_view TrimLeft(std::string_view text);
std::string_view TrimRight(std::string_view text);
std::string_view Trim(std::string_view text);

// Index of the first space, tab or CR, or npos.
std::size_t FindBlank(std::string_view text);

// Equal when every character matches, single-byte ASCII letters ignoring case; the bytes of a
// double-byte character must match exactly.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
