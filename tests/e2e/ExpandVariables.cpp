// Writes its argument with the environment's variables expanded, as a program started the same
// way sees them: a test's evidence of what the program's environment holds.
// Exit status: 0 written, 2 no argument, 3 the expansion failed.
#include <windows.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    std::vector<char> expanded(32768);
    const DWORD needed = ExpandEnvironmentStringsA(argv[1], expanded.data(), static_cast<DWORD>(expanded.size()));
    if (needed == 0 || needed > expanded.size()) {
        return 3;
    }
    std::printf("%s\n", expanded.data());
    return 0;
}
