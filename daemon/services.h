#pragma once

#include <string>
#include <vector>

class DaemonHost;

// A built-in service: (token count, tokens, the row's parameter, the daemon) -> result.
// Results: 1 done, 2 declined or not possible; 0 only from RunService (not run).
using ServiceHandler = int (*)(int argc, char** argv, int parameter, DaemonHost& daemon);

struct ServiceEntry {
    std::string name;
    ServiceHandler handler;
    int parameter;
};

// Fills the table with the 22 built-in services, in their order.
void FillServiceTable(std::vector<ServiceEntry>& table);

// The first entry whose name equals `name` ignoring ASCII case, or null.
const ServiceEntry* FindService(const std::vector<ServiceEntry>& table, const char* name);

// Runs the service line (the text after the prefix); 0 when it names no service.
int RunService(const char* text, DaemonHost& daemon);
