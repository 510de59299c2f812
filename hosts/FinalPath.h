#pragma once

#include <string>

// The path of the file that path names at the end of its symbolic links, so that a rewrite puts
// its new content in that file and keeps the links: replacing a link would cut whatever the
// link was made for, and on Windows the replace would move the file it leads to away from its
// place. path itself when it names no link, leads nowhere, or (Windows XP) cannot be asked. False
// when the end cannot be named in the path's code page (the system's ANSI code page on Windows).
[[nodiscard]] bool FindFinalPath(const std::string& path, std::string& finalPath);
