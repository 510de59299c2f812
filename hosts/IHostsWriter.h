#pragma once

#include <string_view>

// Receives the edited HOSTS text in pieces.
class IHostsWriter {
public:
    virtual ~IHostsWriter() = default;
    [[nodiscard]] virtual bool Write(std::string_view bytes) = 0;
};
