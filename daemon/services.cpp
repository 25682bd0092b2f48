// Placeholder until the services arrive: the daemon core builds against it.
#include "services.h"

void FillServiceTable(std::vector<ServiceEntry>&) {}

const ServiceEntry* FindService(const std::vector<ServiceEntry>&, const char*)
{
    return nullptr;
}

int RunService(const char*, DaemonWindow&)
{
    return 0;
}
