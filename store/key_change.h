// One change of the program key, made by a writer that holds the store's
// lock. Every write of a task record, of TaskNum and of a setting, and every
// removal, goes through it, in the one order that keeps a reader that takes
// no lock (the tick, which reads records 1 to TaskNum) from ever seeing a
// state no writer meant:
//
// - A record is written over disabled: when it is enabled and its texts
//   change, its enabled state becomes "禁用" first, then A, B and C are
//   written, then its final enabled state. So no record is ever seen enabled
//   with texts it was not enabled with (a shutdown that moved down over a
//   reminder, carrying the reminder's "启用" for a moment).
// - A record that moves to another number (a delete moves those after it
//   down by one) is disabled where it was before it is enabled where it
//   goes: a reader going up the list, as the tick does, never finds one task
//   enabled at two numbers (a reminder shown twice in one tick).
// - A record above the count is written whole before the count is raised
//   over it.
// - The count is lowered before the values above it are removed, and after
//   every write of the count nothing numbered lies above it.
//
// It remembers what each value held before the change first touched it. A
// write the registry refuses part way is undone in the reverse order, each
// record put back by the same rule (disabled before its old texts return),
// and then read back: Undo names every value that is not as it was.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "registry/registry.h"
#include "store/task_record.h"

namespace vantrel {

class KeyChange {
public:
    // The program key must be open; `reg` stays in use until the change ends.
    explicit KeyChange(Registry& reg);

    // The task count as the change found it (store/task_count.h), then as it
    // last wrote it.
    std::int32_t count() const { return count_; }

    // Writes record n as `record`; with `writeEnabled` false its enabled
    // state stays as stored (a value of the wrong type is left alone).
    void PutRecord(int n, const TaskRecord& record, bool writeEnabled = true);
    void PutEnabled(int n, const std::string& enabled);
    // Writes record `to` as `record`, the record now at `from`, which is
    // disabled first; `from` is then written over or removed by the caller.
    void MoveRecord(int from, int to, const TaskRecord& record);
    // Writes TaskNum, then removes every record value numbered above it.
    void SetCount(std::int32_t count);
    void PutText(const std::string& name, const std::string& text);
    void PutInteger(const std::string& name, std::int32_t number);

    // Whether the change has written anything yet.
    bool wrote() const { return !journal_.empty(); }
    // Puts back what the change wrote; the names of the values that still
    // differ from what they held (empty: the key is as it was).
    std::vector<std::string> Undo();

    // What a value holds: missing, a text, an integer or a type the store
    // does not write (which the change cannot put back).
    struct Value {
        enum Kind { Missing, Text, ExpandText, Integer, Other } kind = Missing;
        std::string text;
        std::int32_t number = 0;
        bool operator==(const Value& o) const {
            return kind == o.kind && text == o.text && number == o.number;
        }
        bool operator!=(const Value& o) const { return !(*this == o); }
    };

private:
    Value Read(const std::string& name);
    void Write(const std::string& name, const Value& value);
    // `names`, when given, are the value names to write (as the key held
    // them before the change: "a3" is put back as "a3").
    void WriteRecord(int n, const Value (&target)[4], const std::string* names = nullptr);
    // The name a value of the key has as stored, in its own letter case;
    // `name` itself for a value the key does not hold.
    std::string StoredName(const std::string& name);
    void RememberRecord(int n);
    void RememberValue(const std::string& name);

    struct Entry {
        int record;        // 0 for a value of its own
        std::string name;  // the value's name when record is 0
        Value before[4];   // A, B, C, D of the record; [0] for a value
        std::string names[4];  // their names as stored before the change
    };

    Registry& reg_;
    std::int32_t count_;
    std::vector<Entry> journal_;  // in the order of first touch
    std::set<int> records_;       // the records in the journal
    std::set<std::string> values_;  // the values of their own, upper-cased
    std::map<std::string, std::string> storedNames_;  // upper-cased -> as stored, once read
    bool namesRead_ = false;
};

}  // namespace vantrel
