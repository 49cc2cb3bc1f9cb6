// The Group Policy templates (Vantrel.admx and its zh-CN and en-US
// Vantrel.adml), written from the one table of settings and the policy
// switches, so that a setting added later is never missing from them.
#pragma once

#include <string>

namespace vantrel {

struct PolicyTemplates {
    std::string admx;       // UTF-8
    std::string admlZhCn;   // UTF-8
    std::string admlEnUs;   // UTF-8
    std::string error;      // a setting without its texts: nothing else is valid
};

PolicyTemplates BuildPolicyTemplates();

}  // namespace vantrel
