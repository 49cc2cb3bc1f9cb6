// JSON strings of GBK texts, for the commands' --json output (the console
// glue turns the whole output into UTF-8).
#pragma once

#include <string>

namespace vantrel {

// A JSON string of a GBK text. Walked by characters: a GBK trail byte may
// be 0x5C and is no backslash.
std::string JsonString(const std::string& text);

// JsonString, or null for the empty text.
std::string JsonOrNull(const std::string& text);

}  // namespace vantrel
