// The one lock every writer of the program key takes: the running program's
// windows, a second copy of it in another session, and vantrelctl. A writer
// holds it from its first read of what it will change to its last write, so
// two writers never interleave. The tick only reads and never takes it.
//
// On Windows the lock is a named mutex in the global namespace, shared by
// every session; natively (and for a registry file, which only the command
// that loaded it writes) it is a lock of this process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "registry/registry.h"

namespace vantrel {

// What a writer says when another one holds the lock for longer than it
// waits; nothing has been changed then.
extern const char* const kStoreBusyText;  // "另一个程序正在修改任务，请稍后再试"

// Raised by a write that could not get the lock. A registry error, so that
// everything that reports a failed write reports this one too.
class StoreBusy : public RegistryError {
public:
    StoreBusy() : RegistryError(kStoreBusyText) {}
};

class StoreLock {
public:
    virtual ~StoreLock() = default;
    // Waits up to `waitMs` for the lock; true when this object now holds it.
    // Not re-entrant: the task store counts its own nesting.
    virtual bool Acquire(std::uint32_t waitMs) = 0;
    virtual void Release() = 0;
};

// The lock of the program key `programKey` that every process shares (a
// process-wide lock where there is no other process to share it with).
std::unique_ptr<StoreLock> NewSharedStoreLock(const std::string& programKey);

// A lock of this process only, one per key name: while one store of the
// process holds it, another store on the same key is refused at once (the
// program has one thread, so waiting could not help); other processes are
// not asked. For a registry file, and natively.
std::unique_ptr<StoreLock> NewProcessStoreLock(const std::string& programKey);

}  // namespace vantrel
