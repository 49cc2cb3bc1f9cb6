// vantrelctl: the matching rules from the command line.
//
//   vantrelctl check TEXT --at "YYYY-MM-DD HH:MM[:SS]" [--uptime SECONDS]
//                         [--idle SECONDS] [--date-format FORMAT]
//
// Arguments and output are in the console's encoding; the schedule text is
// matched as GBK, like a stored one.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vantrel {

// Runs the command line `args` (without the program name). Returns the exit
// status: 0 when the check ran, due or not; 2 for a usage error, with one
// line on `err`.
int RunVantrelctl(const std::vector<std::string>& args, const std::string& systemDateFormat,
                  std::ostream& out, std::ostream& err);

}  // namespace vantrel
