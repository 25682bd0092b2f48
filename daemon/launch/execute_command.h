#pragma once

class DaemonHost;
struct Command;

// Runs one command: a menu group shows its sub-menu, a service line runs the
// built-in service, anything else starts a program or opens a document.
// Everything needed is copied from `command` before any box opens or a
// service runs, since either may destroy the command set it belongs to.
void ExecuteCommand(DaemonHost& daemon, const Command& command);
