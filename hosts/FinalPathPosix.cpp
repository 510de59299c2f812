#include "hosts/FinalPath.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>

bool FindFinalPath(const std::string& path, std::string& finalPath)
{
    finalPath = path;
    struct stat named {};
    if (lstat(path.c_str(), &named) != 0 || !S_ISLNK(named.st_mode))
        return true;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved))
        finalPath = resolved;
    return true;
}
