// Placeholder until command execution arrives: the daemon core builds against it.
#include "execute_command.h"

void ExecuteCommand(DaemonWindow&, const Command&) {}
