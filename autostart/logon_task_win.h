// Task Scheduler 2.0 through its COM interface, for the real system
// operations (system_ops_win.cpp). The class is created at run time, so
// nothing is imported that Windows XP lacks; on XP, where it does not exist,
// and on any system that reports a Windows older than Vista, the service
// counts as missing and start at logon uses the Run value. A registered
// task is read through the object model (its actions and triggers), never
// from its XML.
#pragma once

#include <string>

#include "autostart/logon_start.h"

namespace vantrel {

bool SystemTaskServiceAvailable();
bool FindSystemTask(const std::string& name, RegisteredTask& task);
void RegisterSystemTask(const std::string& name, const std::string& xml);
void DeleteSystemTask(const std::string& name);

}  // namespace vantrel
