// The service's key name, which the SCM, the setup program's commands and
// vantrelctl status all name it by.
#pragma once

namespace vantrel {

constexpr char kServiceName[] = "Vantrel";

}  // namespace vantrel
