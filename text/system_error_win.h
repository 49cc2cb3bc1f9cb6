// The system's own sentence for a Win32 error code, as GBK, without its line
// end: "系统找不到指定的文件。" (in the system's language), or "错误 N" when the
// system has none.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

std::string SystemErrorText(std::uint32_t code);

}  // namespace vantrel
