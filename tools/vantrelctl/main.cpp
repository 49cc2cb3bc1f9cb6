#include <iostream>
#include <string>
#include <vector>

#include "scheduler/clock.h"
#include "tools/vantrelctl/check_command.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return vantrel::RunVantrelctl(args, vantrel::SystemShortDateFormat(), std::cout, std::cerr);
}
