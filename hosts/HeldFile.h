#pragma once

#include "hosts/FileHandle.h"

#include <array>
#include <string>

// HOSTS as read for an edit, kept open until the new content has replaced it, with what it was
// when the read began: which file, its size and its last write. Another program's change between
// the read and the replace shows, so the edit can start again from what that program wrote.
class CHeldFile {
public:
    CFileHandle& Handle() { return m_file; }
    bool IsOpen() const { return m_file.IsOpen(); }
    void Close() { m_file.Close(); }

    // Notes what the open file is now; called before it is read.
    [[nodiscard]] bool NoteState();
    // Whether path still names the held file, as it was when its state was noted.
    [[nodiscard]] bool IsUnchangedAt(const std::string& path) const;

private:
    using State = std::array<unsigned long long, 4>;

    CFileHandle m_file;
    State m_state{};
};
