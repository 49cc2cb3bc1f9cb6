// vantrelctl list of 1,000 tasks against one plain reading of the same 1,000
// records: both start from the bytes of the same registry file; the floor
// parses it and reads A, B, C and D of every record through the task store,
// list does everything the command does (the count, the rows, each enabled
// task's next run, the output). The tasks mix every kind with a clock time,
// among them 每年2月29日 (next due years ahead), a one-off years ahead, and
// texts never due, which the next-run computation looks at over its whole
// horizon. Prints: "tasks list_us floor_us ratio", best of many rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>

#include "cli/command_line.h"
#include "registry/file_registry.h"
#include "registry/reg_file.h"
#include "store/task_store.h"
#include "tests/cli_test_env.h"

using namespace vantrel;

namespace {

const char* const kSchedules[] = {
    "每天8时0分",       "每周3日12时30分",       "每月15日9时0分",       "每年2月29日9时0分",
    "一次2033/6/1日7时0分", "每隔45分开始8时0分", "每年12月25日0时0分",  "空闲30分钟",
    "开机0时5分",       "每年2月30日9时0分",     "每月31日23时59分",     "每周7日6时0分",
};

std::string TaskFile(int tasks) {
    RegFile file;
    RegFileKey key{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel", {}};
    FileRegistry reg(file, false);
    reg.OpenKey("\\Software\\Brelnix\\Vantrel", true);
    reg.WriteInteger("TaskNum", tasks);
    for (int n = 1; n <= tasks; ++n) {
        reg.WriteString(RecordValueName('A', n), kSchedules[n % 12]);
        reg.WriteString(RecordValueName('B', n), n % 2 ? "提醒" : "关闭计算机");
        reg.WriteString(RecordValueName('C', n), n % 2 ? "该休息一下了。" : "");
        reg.WriteString(RecordValueName('D', n), "启用");
    }
    return WriteRegFile(file);
}

template <typename F>
double BestMicros(int rounds, F f) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::micro>(end - start).count());
    }
    return best;
}

}  // namespace

int main() {
    const int tasks = 1000;
    testing::TestEnv env;
    env.files["tasks.reg"] = TaskFile(tasks);
    volatile std::size_t sink = 0;
    double list = 1e30, floor = 1e30;
    // Taken in turns, so that a busy moment of the machine hits both alike.
    for (int round = 0; round < 20; ++round) {
        floor = std::min(floor, BestMicros(1, [&] {
            RegFileParse parsed = ParseRegFile(env.files["tasks.reg"]);
            FileRegistry reg(parsed.file, false);
            TaskStore store(reg);
            for (int n = 1; n <= tasks; ++n) sink = sink + store.ReadRecord(n).schedule.size();
        }));
        list = std::min(list, BestMicros(1, [&] {
            TextOut out, err;
            RunCli({"list", "--file", "tasks.reg"}, env, out, err);
            sink = sink + out.str().size();
        }));
    }
    std::printf("%d %.0f %.0f %.2f\n", tasks, list, floor, list / floor);
    return sink == 0 ? 1 : 0;
}
