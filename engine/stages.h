// The stages of one cleaning run, in the order the run calls them; each lives in its own room.
#pragma once

#include "engine/engine.h"

namespace pell {

// The run flags the autorun stages set.
struct RunFlags {
    bool EntryRemoved = false;   // an autorun value deletion was attempted
    bool RegistryError = false;  // a Run key did not open or a deletion failed: the aborted outcome
};

// engine/smartscan.cpp
void SmartScan(Engine& e);
// engine/services.cpp. True when a worm service was stopped. When the services key cannot be read it
// shows message-box code 8, sets e.programEnded, calls EndProgram and returns false.
bool ScanServices(Engine& e);
// engine/process_scan.cpp. True when a termination was attempted.
bool ScanProcesses(Engine& e);
// engine/autoruns.cpp
void CleanMachineRun(Engine& e, RunFlags& flags);
void CleanUserRun(Engine& e, RunFlags& flags);
void CleanRunServices(Engine& e, RunFlags& flags);
void CleanRunOnce(Engine& e, RunFlags& flags);
// The Run and RunOnce keys of the other accounts whose hives are loaded.
void CleanOtherUsersRun(Engine& e, RunFlags& flags);
// engine/winlogon.cpp
void CleanWinlogon(Engine& e, RunFlags& flags);
void RestorePolicies(Engine& e);
// engine/hosts_file.cpp. True when worm lines were dropped from the file.
bool CleanHostsFile(Engine& e);

}  // namespace pell
