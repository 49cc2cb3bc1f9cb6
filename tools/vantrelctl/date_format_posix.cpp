#include "tools/vantrelctl/check_command.h"

namespace vantrel {

// Without a Windows locale to ask, the format of the Simplified Chinese one.
std::string SystemShortDateFormat() { return "yyyy/M/d"; }

}  // namespace vantrel
