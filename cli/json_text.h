// Texts as the commands show them: JSON strings of GBK texts for --json (the
// console glue turns the whole output into UTF-8), and cells of the tables.
#pragma once

#include <string>

namespace vantrel {

// A JSON string of a GBK text. Walked by characters: a GBK trail byte may
// be 0x5C and is no backslash. A byte that starts no GBK character becomes
// U+FFFD on its own, so that it never joins the escape written after it
// into one character.
std::string JsonString(const std::string& text);

// JsonString, or null for the empty text.
std::string JsonOrNull(const std::string& text);

// A text as one cell of a table: a line break or tab inside it is shown
// escaped (\r, \n, \t), so that every row stays one line; a byte that starts
// no GBK character is shown as "?" (GBK has no replacement character), on
// its own.
std::string TableText(const std::string& text);

}  // namespace vantrel
