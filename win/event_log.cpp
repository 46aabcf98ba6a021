#include "win/event_log.h"

#include <windows.h>

#include "win/locks.h"

namespace vtb {
namespace {

// Toolbars on several threads report through one throttle.
SlimLock throttleLock;
EventThrottle throttle;

WORD SystemType(EventType type) {
    switch (type) {
    case EventType::Error:
        return EVENTLOG_ERROR_TYPE;
    case EventType::Warning:
        return EVENTLOG_WARNING_TYPE;
    case EventType::Information:
        break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

void Report(EventKind kind, std::initializer_list<const char*> strings) {
    const HANDLE source = RegisterEventSourceA(nullptr, kEventSourceName);
    if (!source) return;
    const EventDefinition& event = kEventTable[static_cast<std::size_t>(kind)];
    ReportEventA(source, SystemType(event.Type), 0, event.Id, nullptr, static_cast<WORD>(strings.size()), 0,
                 const_cast<LPCSTR*>(strings.begin()), nullptr);
    DeregisterEventSource(source);
}

}  // namespace

void LogEvent(EventKind kind, std::initializer_list<const char*> strings) {
    {
        const ExclusiveLock lock(throttleLock);
        if (!throttle.Allow(kind, GetTickCount64())) return;
    }
    Report(kind, strings);
}

}  // namespace vtb
