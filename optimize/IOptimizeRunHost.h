#pragma once

#include "optimize/RouteTable.h"

#include <cstdint>
#include <string>

// What an optimization run needs from the window it runs in. The dialog wires the real
// button, probe, log pane, pause and HOSTS rewrite; tests wire fakes.
class IOptimizeRunHost {
public:
    virtual ~IOptimizeRunHost() = default;

    virtual void DisableStartButton() = 0;
    // 0 or more: the round trip in ms; negative: the attempt failed.
    virtual std::int32_t MeasureRoundTrip(const char* szHost) = 0;
    virtual void Pause(unsigned milliseconds) = 0;
    // Appends GBK text to the log pane.
    virtual void AppendLog(const std::string& text) = 0;
    // Writes the table into HOSTS; true when the file now holds it.
    [[nodiscard]] virtual bool ApplyRouteTable(const CRouteTable& routeTable) = 0;
};
