// Schedule texts the task editor can store and texts it cannot, under the
// short date format "yyyy/M/d": one table for the editor's tests (which find
// each stored text as a fixed point of its load and OK) and for vantrelctl's
// (whose add and import take exactly the stored ones).
#pragma once

#include <vector>

namespace vantrel {
namespace testing {

struct ScheduleTextCase {
    const char* text;
    bool stored;
    const char* says;  // a phrase of vantrelctl's refusal
};

inline const std::vector<ScheduleTextCase>& ScheduleTextCases() {
    static const std::vector<ScheduleTextCase> cases = {
        // Boxes that take digits only keep them as typed.
        {"空闲30分钟", true, ""},
        {"空闲05分钟", true, ""},
        {"空闲0分钟", true, ""},
        {"开机01时05分", true, ""},
        {"开机1时90分", true, ""},
        {"每隔007分开始8时0分", true, ""},
        {"每隔0分开始0时0分", true, ""},
        {"空闲分钟", false, "分钟数“”应是数字"},
        {"空闲 5分钟", false, "应是数字"},
        {"开机时5分", false, "开机小时数"},
        {"每隔1a分开始8时0分", false, "应是数字"},
        // Time pickers write hours and minutes without leading zeros.
        {"每天0时0分", true, ""},
        {"每天24时0分", false, "超出范围"},
        {"每天8时60分", false, "超出范围"},
        {"每天08时0分", false, "前导零"},
        {"每天8时分", false, "前导零"},
        // Drop-down boxes keep their item or whatever was typed.
        {"每周0日8时0分", true, ""},
        {"每周7日17时30分", true, ""},
        {"每周abc日17时30分", true, ""},
        {"每月32日9时5分", true, ""},
        {"每年2月29日9时0分", true, ""},
        {"每年13月01日0时59分", true, ""},
        // The date picker writes the short date format.
        {"一次2026/12/25日8时0分", true, ""},
        {"一次2026-12-25日8时0分", false, "短日期格式"},
        {"一次2026/12/05日8时0分", false, "应为 一次2026/12/5日8时0分"},
        // Texts that are no schedule or do not read back.
        {"", false, "开头"},
        {"每日8时0分", false, "开头"},
        {"每天8时0分以后", false, "在 每天8时0分 之后多了“以后”"},
        {"空闲5分钟分钟", false, "在 空闲5分钟 之后多了“分钟”"},
        {"每隔60分钟", false, "应写成 每隔N分开始H时M分，例如 每隔60分开始8时0分"},
        {"每天8点30分", false, "应写成 每天H时M分"},
        {"每年12月25日", false, "应写成 每年MO月D日H时M分"},
    };
    return cases;
}

}  // namespace testing
}  // namespace vantrel
