#pragma once

// The program runs as administrator and is started from download folders that anyone can put
// files into. Called before anything else of the program runs: from then on a DLL loaded by
// name, by the program or by Windows' own DLLs on its behalf, is looked for in the system
// directory only (Windows 8 and later; Vista and 7 with update KB2533623), and in any case no
// longer in the current directory (XP SP1 and later). Older systems keep their search order;
// there is nothing else the program could do about it, so nothing is reported.
void NarrowDllSearchToSystem() noexcept;
