#include "optimize/RouteTable.h"

#include <cassert>
#include <utility>

RouteEntry CRouteTable::RemoveHead()
{
    assert(!m_entries.empty());
    RouteEntry head = std::move(m_entries.front());
    m_entries.pop_front();
    return head;
}
