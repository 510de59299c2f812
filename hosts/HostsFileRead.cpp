#include "hosts/HostsFileRead.h"

HostsReadResult ReadHostsFileForEdit(const std::string& path, std::string& bytes)
{
    CHeldFile held;
    RewriteFailure failure;
    return ReadHostsFileForEdit(path, bytes, held, failure);
}
