#pragma once

#include <string>

// One line of a route table, and during a HOSTS rewrite one line of the file: the first column
// (an address) and the second column (a host name). Both are byte strings in code page 936.
struct RouteEntry {
    std::string strAddress;
    std::string strHostName;
};

inline bool operator==(const RouteEntry& a, const RouteEntry& b)
{
    return a.strAddress == b.strAddress && a.strHostName == b.strHostName;
}
