#include "store/key_change.h"

#include "store/task_count.h"
#include "store/task_store.h"
#include "text/gbk_text.h"

namespace vantrel {

namespace {

const char kLetters[] = {'A', 'B', 'C', 'D'};

KeyChange::Value TextValue(const std::string& text) {
    KeyChange::Value v;
    v.kind = KeyChange::Value::Text;
    v.text = text;
    return v;
}

bool EnabledValue(const KeyChange::Value& v) {
    return (v.kind == KeyChange::Value::Text || v.kind == KeyChange::Value::ExpandText) &&
           IsEnabledText(v.text);
}

}  // namespace

KeyChange::KeyChange(Registry& reg) : reg_(reg), count_(TaskCount(reg)) {}

KeyChange::Value KeyChange::Read(const std::string& name) {
    Value v;
    const ValueType type = reg_.TypeOf(name);
    switch (type) {
        case ValueType::None:
            break;
        case ValueType::String:
        case ValueType::ExpandString:
            v.kind = type == ValueType::String ? Value::Text : Value::ExpandText;
            v.text = reg_.ReadString(name);
            break;
        case ValueType::DWord:
            v.kind = Value::Integer;
            v.number = reg_.ReadInteger(name);
            break;
        default:
            v.kind = Value::Other;
            break;
    }
    return v;
}

void KeyChange::Write(const std::string& name, const Value& value) {
    switch (value.kind) {
        case Value::Missing:
            // A refusal leaves the value in place: an error, never a success.
            DeleteValueOrThrow(reg_, name);
            break;
        case Value::Text:
        case Value::ExpandText:  // written back as a plain text: Undo names it
            reg_.WriteString(name, value.text);
            break;
        case Value::Integer:
            reg_.WriteInteger(name, value.number);
            break;
        case Value::Other:
            // A value of a type the store does not write cannot be put back:
            // it is left as it is, and Undo names it.
            break;
    }
}

std::string KeyChange::StoredName(const std::string& name) {
    if (!namesRead_) {
        for (const std::string& stored : reg_.ValueNames()) storedNames_.emplace(AsciiUpper(stored), stored);
        namesRead_ = true;
    }
    const auto it = storedNames_.find(AsciiUpper(name));
    return it == storedNames_.end() ? name : it->second;
}

void KeyChange::RememberRecord(int n) {
    if (!records_.insert(n).second) return;
    Entry e{n, std::string(), {}, {}};
    for (int i = 0; i < 4; ++i) {
        e.names[i] = RecordValueName(kLetters[i], n);
        e.before[i] = Read(e.names[i]);
        if (e.before[i].kind != Value::Missing) e.names[i] = StoredName(e.names[i]);
    }
    journal_.push_back(e);
}

void KeyChange::RememberValue(const std::string& name) {
    if (!values_.insert(AsciiUpper(name)).second) return;  // value names ignore case
    Entry e{0, name, {}, {}};
    e.before[0] = Read(name);
    if (e.before[0].kind != Value::Missing) e.name = StoredName(name);
    journal_.push_back(e);
}

// The rule of the header, for the change and for its undoing alike.
void KeyChange::WriteRecord(int n, const Value (&target)[4], const std::string* names) {
    std::string name[4];
    Value now[4];
    for (int i = 0; i < 4; ++i) {
        name[i] = names ? names[i] : RecordValueName(kLetters[i], n);
        now[i] = Read(name[i]);
    }
    const bool textsChange = now[0] != target[0] || now[1] != target[1] || now[2] != target[2];
    if (textsChange && EnabledValue(now[3])) {
        now[3] = TextValue(kDisabledText);
        Write(name[3], now[3]);
    }
    for (int i = 0; i < 4; ++i)
        if (now[i] != target[i]) Write(name[i], target[i]);
}

void KeyChange::PutRecord(int n, const TaskRecord& record, bool writeEnabled) {
    RememberRecord(n);
    Value target[4] = {TextValue(record.schedule), TextValue(record.action), TextValue(record.parameter),
                       TextValue(record.enabled)};
    if (!writeEnabled) target[3] = Read(RecordValueName('D', n));
    WriteRecord(n, target);
}

void KeyChange::MoveRecord(int from, int to, const TaskRecord& record) {
    RememberRecord(to);
    RememberRecord(from);
    const std::string d = RecordValueName('D', from);
    if (EnabledValue(Read(d))) Write(d, TextValue(kDisabledText));
    PutRecord(to, record);
}

void KeyChange::PutEnabled(int n, const std::string& enabled) {
    RememberRecord(n);
    Write(RecordValueName('D', n), TextValue(enabled));
}

void KeyChange::SetCount(std::int32_t count) {
    PutInteger(kValTaskNum, count);
    count_ = count;
    for (const std::string& name : ValuesAboveCount(reg_, count)) {
        RememberRecord(RecordNumberOf(name));
        Write(name, Value());
    }
}

void KeyChange::PutText(const std::string& name, const std::string& text) {
    RememberValue(name);
    Write(name, TextValue(text));
}

void KeyChange::PutInteger(const std::string& name, std::int32_t number) {
    RememberValue(name);
    Value v;
    v.kind = Value::Integer;
    v.number = number;
    Write(name, v);
}

std::vector<std::string> KeyChange::Undo() {
    // Each value on its own: one refusal must not keep the others back.
    for (auto e = journal_.rbegin(); e != journal_.rend(); ++e) {
        try {
            if (e->record > 0)
                WriteRecord(e->record, e->before, e->names);
            else
                Write(e->name, e->before[0]);
        } catch (const RegistryError&) {
        }
    }
    std::vector<std::string> differ;
    for (const Entry& e : journal_) {
        for (int i = 0; i < (e.record > 0 ? 4 : 1); ++i) {
            const std::string name = e.record > 0 ? RecordValueName(kLetters[i], e.record) : e.name;
            bool same = false;
            try {
                same = Read(name) == e.before[i];
            } catch (const RegistryError&) {
            }
            if (!same) differ.push_back(name);
        }
    }
    return differ;
}

}  // namespace vantrel
