#include "store/reg_file.h"

#include <cstdio>
#include <map>
#include <optional>

#include "store/codepage.h"
#include "store/gbk_text.h"

namespace vantrel {

namespace {

const char kHeader4[] = "REGEDIT4";
const char kHeader5[] = "Windows Registry Editor Version 5.00";

struct ParseFailure {
    std::string message;
};

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string TrimRight(const std::string& s) {
    std::size_t end = s.size();
    while (end > 0 && (IsSpace(s[end - 1]) || s[end - 1] == '\r')) --end;
    return s.substr(0, end);
}

std::size_t SkipSpaces(const std::string& s, std::size_t pos) {
    while (pos < s.size() && IsSpace(s[pos])) ++pos;
    return pos;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A quoted text from `pos` (at the opening quote) to its closing quote,
// unescaped. Walked by characters: the trail byte of a GBK character can be
// 0x5C or 0x22 and is never an escape or a quote (the editor converts the
// file to wide characters before it reads escapes).
std::string ReadQuoted(const std::string& line, std::size_t& pos) {
    std::string out;
    ++pos;
    while (pos < line.size()) {
        const std::size_t len = GbkStrictCharLength(line, pos);
        if (len == 2) {
            out.append(line, pos, 2);
            pos += 2;
            continue;
        }
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\' && pos + 1 < line.size()) {
            const char next = line[pos + 1];
            if (next == '\\' || next == '"') {
                out.push_back(next);
            } else {
                // Not an escape (the registry editor knows only these two):
                // the backslash stands for itself.
                out.push_back('\\');
                ++pos;
                continue;
            }
            pos += 2;
            continue;
        }
        out.push_back(c);
        ++pos;
    }
    throw ParseFailure{"引号没有结束"};
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t len = GbkStrictCharLength(text, pos);
        if (len == 1 && (text[pos] == '\\' || text[pos] == '"')) out.push_back('\\');
        out.append(text, pos, len);
        pos += len;
    }
    return out;
}

// "41,00,ff" -> bytes.
std::string ReadHexBytes(const std::string& list) {
    std::string bytes;
    std::size_t pos = SkipSpaces(list, 0);
    while (pos < list.size()) {
        if (pos + 1 >= list.size() || HexDigit(list[pos]) < 0 || HexDigit(list[pos + 1]) < 0)
            throw ParseFailure{"十六进制数据有误"};
        bytes.push_back(static_cast<char>(HexDigit(list[pos]) * 16 + HexDigit(list[pos + 1])));
        pos = SkipSpaces(list, pos + 2);
        if (pos == list.size()) break;
        if (list[pos] != ',') throw ParseFailure{"十六进制数据有误"};
        pos = SkipSpaces(list, pos + 1);
    }
    return bytes;
}

bool IsTextType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// Hex data of a text type is in the file's own encoding; stored texts are GBK
// without the terminating NUL (a REG_MULTI_SZ keeps its inner NULs).
std::string TextFromHex(std::uint32_t type, const std::string& bytes, bool unicode) {
    std::string text = unicode ? Utf16LeToGbk(bytes) : bytes;
    if (type == kRegMultiSz) {
        while (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }
    return text.substr(0, text.find('\0'));
}

struct ValueLine {
    bool remove = false;
    RegFileValue value;
};

ValueLine ReadValue(const std::string& line, bool unicode) {
    ValueLine result;
    std::size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else {
        result.value.name = ReadQuoted(line, pos);
    }
    pos = SkipSpaces(line, pos);
    if (pos >= line.size() || line[pos] != '=') throw ParseFailure{"值名后面应是 ="};
    pos = SkipSpaces(line, pos + 1);
    const std::string data = line.substr(pos);
    if (data == "-") {
        result.remove = true;
        return result;
    }
    RegFileValue& v = result.value;
    if (!data.empty() && data[0] == '"') {
        std::size_t end = 0;
        std::string d = data;
        v.type = kRegSz;
        v.data = ReadQuoted(d, end);
        end = SkipSpaces(d, end);
        if (end < d.size() && d[end] != ';') throw ParseFailure{"文字值后面有多余的内容"};
        v.data = v.data.substr(0, v.data.find('\0'));
        return result;
    }
    if (data.compare(0, 6, "dword:") == 0) {
        const std::string digits = TrimRight(data.substr(6));
        if (digits.empty() || digits.size() > 8) throw ParseFailure{"dword 值应是 1 到 8 位十六进制数"};
        std::uint32_t n = 0;
        for (char c : digits) {
            if (HexDigit(c) < 0) throw ParseFailure{"dword 值应是 1 到 8 位十六进制数"};
            n = n * 16 + static_cast<std::uint32_t>(HexDigit(c));
        }
        v.type = kRegDword;
        for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<char>(n >> (8 * i) & 0xFF));
        return result;
    }
    if (data.compare(0, 3, "hex") == 0) {
        std::size_t colon = data.find(':');
        if (colon == std::string::npos) throw ParseFailure{"hex 值缺少冒号"};
        const std::string kind = data.substr(3, colon - 3);
        if (kind.empty()) {
            v.type = kRegBinary;
        } else {
            if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')')
                throw ParseFailure{"hex 值的类型有误"};
            std::uint32_t t = 0;
            for (std::size_t i = 1; i + 1 < kind.size(); ++i) {
                if (HexDigit(kind[i]) < 0 || i > 8) throw ParseFailure{"hex 值的类型有误"};
                t = t * 16 + static_cast<std::uint32_t>(HexDigit(kind[i]));
            }
            v.type = t;
        }
        const std::string bytes = ReadHexBytes(data.substr(colon + 1));
        if (v.type == kRegDword && bytes.size() != 4) throw ParseFailure{"hex(4) 值应是 4 个字节"};
        v.data = IsTextType(v.type) ? TextFromHex(v.type, bytes, unicode) : bytes;
        return result;
    }
    throw ParseFailure{"无法识别的值"};
}

// A key being read, with its values by upper-cased name (a file of a
// thousand tasks has four thousand values: no search one by one).
struct KeyBeingRead {
    std::size_t key;
    std::map<std::string, std::size_t> names;
};

void SetValue(RegFile& file, KeyBeingRead& k, RegFileValue value) {
    auto& values = file.keys[k.key].values;
    const std::string upper = AsciiUpper(value.name);
    auto it = k.names.find(upper);
    if (it != k.names.end()) {
        values[it->second].type = value.type;
        values[it->second].data = std::move(value.data);
        return;
    }
    k.names[upper] = values.size();
    values.push_back(std::move(value));
}

void RemoveValue(RegFile& file, KeyBeingRead& k, const std::string& name) {
    auto it = k.names.find(AsciiUpper(name));
    if (it == k.names.end()) return;
    auto& values = file.keys[k.key].values;
    values.erase(values.begin() + static_cast<long>(it->second));
    k.names.clear();
    for (std::size_t i = 0; i < values.size(); ++i) k.names[AsciiUpper(values[i].name)] = i;
}

// Key paths compared the way the registry compares them: letters in any case.
KeyBeingRead FindOrAddKey(RegFile& file, const std::string& path) {
    KeyBeingRead k{file.keys.size(), {}};
    for (std::size_t i = 0; i < file.keys.size(); ++i) {
        if (AsciiUpper(file.keys[i].path) == AsciiUpper(path)) {
            k.key = i;
            for (std::size_t j = 0; j < file.keys[i].values.size(); ++j)
                k.names[AsciiUpper(file.keys[i].values[j].name)] = j;
            return k;
        }
    }
    file.keys.push_back(RegFileKey{path, {}});
    return k;
}

std::string HexList(const std::string& bytes, std::size_t firstLineUsed) {
    std::string out;
    std::size_t column = firstLineUsed;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
        out += hex;
        column += 2;
        if (i + 1 < bytes.size()) {
            out += ',';
            ++column;
            // The editor's own line length: a list goes on over lines ending in "\".
            if (column > 76) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
    }
    return out;
}

std::string ValueText(const RegFileValue& v) {
    std::string line = v.name.empty() ? "@=" : "\"" + Escaped(v.name) + "\"=";
    const bool lineBreak = v.data.find_first_of("\r\n") != std::string::npos;
    if (v.type == kRegSz && !lineBreak) return line + "\"" + Escaped(v.data) + "\"";
    if (v.type == kRegDword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(v.data[i]);
        char digits[16];
        std::snprintf(digits, sizeof digits, "%08lx", static_cast<unsigned long>(n));
        return line + "dword:" + digits;
    }
    std::string bytes = v.data;
    if (v.type == kRegSz || v.type == kRegExpandSz) bytes.push_back('\0');
    if (v.type == kRegMultiSz) bytes += std::string("\0\0", 2);
    if (v.type == kRegBinary) {
        line += "hex:";
    } else {
        char kind[16];
        std::snprintf(kind, sizeof kind, "hex(%lx):", static_cast<unsigned long>(v.type));
        line += kind;
    }
    return line + HexList(bytes, line.size());
}

}  // namespace

RegFileParse ParseRegFile(const std::string& bytes) {
    RegFileParse result;
    std::string text;
    bool unicode = false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text = Utf16LeToGbk(bytes.substr(2));
        unicode = true;
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text = Utf8ToGbk(bytes.substr(3));
    } else {
        text = bytes;
    }

    std::vector<std::string> lines;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }

    std::size_t lineNo = 0;
    try {
        // The header is the first line that is not blank.
        while (lineNo < lines.size() && TrimRight(lines[lineNo]).empty()) ++lineNo;
        const std::string header = lineNo < lines.size() ? TrimRight(lines[lineNo]) : "";
        if (header != kHeader4 && header != kHeader5) {
            if (lineNo == lines.size()) lineNo = 0;
            throw ParseFailure{"不是注册表文件（第一行应是 REGEDIT4 或 Windows Registry Editor Version 5.00）"};
        }
        std::optional<KeyBeingRead> key;
        bool skipKey = false;  // inside a [-key] section
        for (++lineNo; lineNo < lines.size(); ++lineNo) {
            std::string line = TrimRight(lines[lineNo]);
            // A hex list goes on over lines that end in a backslash (no text
            // value can end in one: it ends in its closing quote).
            const std::size_t lead = SkipSpaces(line, 0);
            const bool comment = lead < line.size() && line[lead] == ';';
            while (!comment && !line.empty() && line.back() == '\\' && lineNo + 1 < lines.size()) {
                line.pop_back();
                ++lineNo;
                const std::string next = TrimRight(lines[lineNo]);
                line += next.substr(SkipSpaces(next, 0));
            }
            const std::size_t start = SkipSpaces(line, 0);
            line = line.substr(start);
            if (line.empty() || line[0] == ';') continue;
            if (line[0] == '[') {
                if (line.back() != ']') throw ParseFailure{"键名缺少 ]"};
                std::string path = line.substr(1, line.size() - 2);
                if (!path.empty() && path[0] == '-') {
                    path.erase(0, 1);
                    for (auto it = result.file.keys.begin(); it != result.file.keys.end(); ++it) {
                        if (AsciiUpper(it->path) == AsciiUpper(path)) {
                            result.file.keys.erase(it);
                            break;
                        }
                    }
                    key.reset();
                    skipKey = true;
                    continue;
                }
                if (path.empty()) throw ParseFailure{"键名是空的"};
                skipKey = false;
                key = FindOrAddKey(result.file, path);
                continue;
            }
            if (line[0] != '"' && line[0] != '@') throw ParseFailure{"无法识别的行"};
            if (skipKey) continue;
            if (!key) throw ParseFailure{"值前面没有键名"};
            ValueLine value = ReadValue(line, unicode);
            if (value.remove)
                RemoveValue(result.file, *key, value.value.name);
            else
                SetValue(result.file, *key, std::move(value.value));
        }
    } catch (const ParseFailure& f) {
        result.error = "第 " + std::to_string(lineNo + 1) + " 行: " + f.message;
        return result;
    }
    result.ok = true;
    return result;
}

std::string WriteRegFile(const RegFile& file) {
    std::string out = std::string(kHeader4) + "\r\n\r\n";
    for (const RegFileKey& key : file.keys) {
        out += "[" + key.path + "]\r\n";
        for (const RegFileValue& v : key.values) out += ValueText(v) + "\r\n";
        out += "\r\n";
    }
    return out;
}

std::string RegFileKeyPath(const std::string& relativeKey, bool wow64) {
    std::string rest = relativeKey;
    while (!rest.empty() && rest.front() == '\\') rest.erase(rest.begin());
    const std::string software = "SOFTWARE\\";
    if (AsciiUpper(rest.substr(0, software.size())) == software) rest.erase(0, software.size());
    return "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + std::string(wow64 ? "Wow6432Node\\" : "") + rest;
}

namespace {

// Upper-cased, below HKEY_LOCAL_MACHINE, without Wow6432Node; a key under
// another root keeps its root and so matches no program key.
std::string CanonicalKey(const std::string& path) {
    std::string p = AsciiUpper(path);
    while (!p.empty() && p.front() == '\\') p.erase(p.begin());
    while (!p.empty() && p.back() == '\\') p.pop_back();
    for (const char* root : {"HKEY_LOCAL_MACHINE\\", "HKLM\\"}) {
        const std::string r = root;
        if (p.compare(0, r.size(), r) == 0) {
            p.erase(0, r.size());
            break;
        }
    }
    const std::string wow = "SOFTWARE\\WOW6432NODE\\";
    if (p.compare(0, wow.size(), wow) == 0) p.erase(9, wow.size() - 9);
    return p;
}

}  // namespace

bool SameProgramKey(const std::string& a, const std::string& b) {
    return CanonicalKey(a) == CanonicalKey(b);
}

}  // namespace vantrel
