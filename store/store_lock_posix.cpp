#include "store/store_lock.h"

namespace vantrel {

// Natively no other program writes the registry the store works on.
std::unique_ptr<StoreLock> NewSharedStoreLock(const std::string& programKey) {
    return NewProcessStoreLock(programKey);
}

}  // namespace vantrel
