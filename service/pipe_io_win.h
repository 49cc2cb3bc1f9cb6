// What both ends of the view pipe share: the error of a refused call, the
// events of overlapped I/O, and waiting out an operation before its buffer
// goes. Internal to service/.
#pragma once

#include <windows.h>

#include <string>

#include "actions/handle_win.h"
#include "service/pipe_win.h"

namespace vantrel {

inline PipeError LastError(const std::string& what) {
    const DWORD code = GetLastError();
    return PipeError(what, code);
}

inline Handle NewEvent(bool manualReset) {
    Handle event(CreateEventW(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr));
    if (!event) throw LastError("CreateEvent");
    return event;
}

// Waits for an overlapped operation that was cancelled or is about to
// complete, so that its buffer and OVERLAPPED may be freed.
inline void Settle(HANDLE pipe, OVERLAPPED& o) {
    DWORD n = 0;
    GetOverlappedResult(pipe, &o, &n, TRUE);
}

}  // namespace vantrel
