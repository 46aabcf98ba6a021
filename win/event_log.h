// Reports to the system's Application log under the toolbar's event source,
// whose message file is the DLL itself (its message table). Reporting never
// fails the toolbar: without a log to write, nothing is said.
#pragma once

#include <initializer_list>

#include "core/event_table.h"

namespace vtb {

// One event of the kind with its insertion strings, unless one of the kind
// went out in this process less than a minute ago.
void LogEvent(EventKind kind, std::initializer_list<const char*> strings);

}  // namespace vtb
