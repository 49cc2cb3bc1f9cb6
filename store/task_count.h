// Which task records exist: the one meaning of the task count.
//
// Records 1 to TaskNum exist, TaskNum as stored in the program key. A writer
// reads it (TaskCount) under the store's lock at the start of its change, and
// nothing else: no copy made earlier, no record found above it.
//
// Values numbered above the count ("A5" with a TaskNum of 4) belong to no
// task: a write cut short, an old export imported over a longer list, a
// hand edit. Nothing lists or runs them, start-up reports them once, and
// every write of the count removes them (store/key_change.h), so that no
// later count ever takes them in.
//
// A plausible TaskNum is a DWORD from 0 up to the number of values the key
// holds: every record of a gap-free numbering holds at least one value. Any
// other (missing, of another type, negative, larger) is recovered from the
// records themselves: the highest record number that holds a value, up to
// that same bound, so that a stray number far above the records is never
// walked up to. Start-up writes a recovered count only where TaskNum is
// missing; the next write of the count mends the others.
//
// The running program's copy (Settings::taskCount) serves only the tick
// between two reads: before each tick it follows a plausible TaskNum and is
// kept otherwise, at the cost of one value read and one count of the values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "registry/registry.h"

namespace vantrel {

struct Settings;

// The record number a value name such as "A12" belongs to (value names
// ignore case: "a12" too); 0 for every other name, one with a leading zero
// or a number no count can reach included.
std::int32_t RecordNumberOf(const std::string& name);

// The task count of the open key, as described above.
std::int32_t TaskCount(Registry& reg);

// The names of the record values of the open key numbered above `count`,
// lowest number first.
std::vector<std::string> ValuesAboveCount(Registry& reg, std::int32_t count);

// What start-up and import say of such a value:
// "值 A5 属于第 5 条任务，但 TaskNum 只有 4".
std::string ValueAboveCountText(const std::string& name, std::int32_t count);

// The tick's copy: takes TaskNum when it is plausible; a missing, wrong-typed
// or implausible one leaves the copy as it was. Creates nothing.
void FollowStoredTaskCount(Registry& reg, const std::string& programKey, Settings& settings);

// The highest record number the tick reads for its copy: the copy when it is
// plausible for the open key, else the recovered count (a key that lost
// values since the copy was taken is never read past its records).
int LastRecordToScan(Registry& reg, std::int32_t copy);

}  // namespace vantrel
