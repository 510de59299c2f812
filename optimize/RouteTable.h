#pragma once

#include "optimize/RouteEntry.h"

#include <cstddef>
#include <list>

// An ordered sequence of RouteEntry values in insertion order. Host names are not keys: the same
// name may appear twice and a lookup is a walk from the head that stops at the first match.
class CRouteTable {
public:
    using iterator = std::list<RouteEntry>::iterator;
    using const_iterator = std::list<RouteEntry>::const_iterator;

    void AddTail(const RouteEntry& entry) { m_entries.push_back(entry); }
    // Removes the entry at pos and returns its successor, so a walk can go on.
    iterator RemoveAt(iterator pos) { return m_entries.erase(pos); }
    void RemoveAll() { m_entries.clear(); }

    std::size_t GetCount() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }

    iterator begin() { return m_entries.begin(); }
    iterator end() { return m_entries.end(); }
    const_iterator begin() const { return m_entries.begin(); }
    const_iterator end() const { return m_entries.end(); }

private:
    std::list<RouteEntry> m_entries;
};
