// Who may take the store's lock on Windows.
#pragma once

namespace vantrel {

// Whether the thread's token (or the process's, when the thread has none)
// has the built-in Administrators group enabled. In an administrator's
// program started without elevation, or a restricted token, the group is
// there for deny only and does not count. Only administrators (and the
// system) can take the lock and write the program key; start-up warns
// anyone else.
bool IsAdministrator();

}  // namespace vantrel
