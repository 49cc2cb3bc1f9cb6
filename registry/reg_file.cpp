#include "registry/reg_file.h"

#include <optional>
#include <map>
#include <unordered_map>

#include "text/codepage.h"
#include "text/gbk_text.h"
#include "text/number_text.h"

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
        // A list never ends in a comma: the file was cut short.
        if (pos == list.size()) throw ParseFailure{"十六进制数据在逗号后中断（文件不完整？）"};
    }
    return bytes;
}

bool IsTextType(std::uint32_t type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// Hex data of a text type is in the file's own encoding; stored texts are GBK
// without the terminating NUL (a REG_MULTI_SZ keeps its inner NULs).
std::string TextFromHex(std::uint32_t type, const std::string& bytes, bool unicode, bool& lossy) {
    std::string text = bytes;
    if (unicode) {
        text = Utf16LeToGbk(bytes);
        lossy = text.find('?') != std::string::npos &&
                GbkToUtf16Le(text) != bytes.substr(0, bytes.size() & ~static_cast<std::size_t>(1));
    }
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

ValueLine ReadValue(const std::string& line, bool unicode, bool& lossy) {
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
        v.data = DwordBytes(n);
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
        v.data = IsTextType(v.type) ? TextFromHex(v.type, bytes, unicode, lossy) : bytes;
        return result;
    }
    throw ParseFailure{"无法识别的值"};
}

std::string HexList(const std::string& bytes, std::size_t firstLineUsed) {
    std::string out;
    std::size_t column = firstLineUsed;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += HexDigits(static_cast<unsigned char>(bytes[i]), 2);
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

// Whether every byte of `text` belongs to a GBK character.
bool WholeGbk(const std::string& text) {
    for (std::size_t pos = 0; pos < text.size(); pos += GbkStrictCharLength(text, pos))
        if (IsStrayGbkByte(text, pos)) return false;
    return true;
}

// One value as a line (continued over more when long); the hex data of a
// text in UTF-16LE when `unicodeHex`.
std::string ValueText(const RegFileValue& v, bool unicodeHex) {
    std::string line = v.name.empty() ? "@=" : "\"" + Escaped(v.name) + "\"=";
    const bool lineBreak = v.data.find_first_of("\r\n") != std::string::npos;
    if (v.type == kRegSz && !lineBreak && WholeGbk(v.data)) return line + "\"" + Escaped(v.data) + "\"";
    if (v.type == kRegDword && v.data.size() == 4) {
        const std::uint32_t n = DwordOf(v.data);
        return line + "dword:" + HexDigits(n, 8);
    }
    std::string bytes = v.data;
    if (v.type == kRegSz || v.type == kRegExpandSz) bytes.push_back('\0');
    if (v.type == kRegMultiSz) bytes += std::string("\0\0", 2);
    if (unicodeHex && IsTextType(v.type)) bytes = GbkToUtf16Le(bytes);
    if (v.type == kRegBinary) {
        line += "hex:";
    } else {
        line += "hex(" + HexDigits(v.type, 1) + "):";
    }
    return line + HexList(bytes, line.size());
}

}  // namespace

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


// Whether a [-key] line naming `deleted` (canonical) takes away the key
// `key` (canonical): the key itself and every key below it, as the registry
// editor deletes a whole tree.
bool DeletionCovers(const std::string& deleted, const std::string& key) {
    return key.compare(0, deleted.size(), deleted) == 0 && (key.size() == deleted.size() || key[deleted.size()] == '\\');
}

// The entries of `byKey` (by canonical path) that a [-key] line naming
// `deleted` takes away, removed from it.
template <class Map, class Take>
void TakeCovered(Map& byKey, const std::string& deleted, Take take) {
    for (auto it = byKey.lower_bound(deleted); it != byKey.end() && it->first.compare(0, deleted.size(), deleted) == 0;) {
        if (!DeletionCovers(deleted, it->first)) {
            ++it;
            continue;
        }
        for (std::size_t index : it->second) take(index);
        it = byKey.erase(it);
    }
}

// The keys being read, by folded path, and their values by folded name: a
// file of 20,000 keys is read in one pass, never searched from the start. A
// value or key thrown away by "name"=- or [-key] is only marked, and the
// marks are swept once at the end.
class FileBuilder {
public:
    explicit FileBuilder(RegFile& file) : file_(file) {}

    std::size_t Key(const std::string& path) {
        const std::string folded = AsciiUpper(path);
        auto it = keys_.find(folded);
        if (it != keys_.end()) return it->second;
        file_.keys.push_back(RegFileKey{path, {}});
        dead_.emplace_back();
        keyGone_.push_back(false);
        keys_.emplace(folded, file_.keys.size() - 1);
        byCanonical_[CanonicalKey(path)].push_back(file_.keys.size() - 1);
        return file_.keys.size() - 1;
    }

    // The key and every key below it, under any name for them (HKLM or
    // HKEY_LOCAL_MACHINE, with or without Wow6432Node, a trailing "\").
    void RemoveKey(const std::string& path) {
        TakeCovered(byCanonical_, CanonicalKey(path), [&](std::size_t k) {
            keyGone_[k] = true;
            keys_.erase(AsciiUpper(file_.keys[k].path));
        });
    }

    void Set(std::size_t key, RegFileValue value) {
        auto& values = file_.keys[key].values;
        const std::string name = NameOf(key, value.name);
        auto it = names_.find(name);
        if (it != names_.end()) {
            values[it->second].type = value.type;
            values[it->second].data = std::move(value.data);
            return;
        }
        names_.emplace(name, values.size());
        values.push_back(std::move(value));
        dead_[key].push_back(false);
    }

    void Remove(std::size_t key, const std::string& valueName) {
        auto it = names_.find(NameOf(key, valueName));
        if (it == names_.end()) return;
        dead_[key][it->second] = true;
        names_.erase(it);
    }

    // Sweeps what was thrown away; the rest stays in file order.
    void Finish() {
        std::vector<RegFileKey> kept;
        for (std::size_t k = 0; k < file_.keys.size(); ++k) {
            if (keyGone_[k]) continue;
            RegFileKey key{std::move(file_.keys[k].path), {}};
            for (std::size_t v = 0; v < file_.keys[k].values.size(); ++v)
                if (!dead_[k][v]) key.values.push_back(std::move(file_.keys[k].values[v]));
            kept.push_back(std::move(key));
        }
        file_.keys = std::move(kept);
    }

private:
    static std::string NameOf(std::size_t key, const std::string& name) {
        return std::to_string(key) + '\n' + AsciiUpper(name);
    }

    RegFile& file_;
    std::unordered_map<std::string, std::size_t> keys_;
    std::map<std::string, std::vector<std::size_t>> byCanonical_;  // keys still standing
    std::unordered_map<std::string, std::size_t> names_;
    std::vector<std::vector<bool>> dead_;
    std::vector<bool> keyGone_;
};

// The file's bytes cut into physical lines, each keeping its line end.
std::vector<std::string> RawLines(const std::string& bytes, RegFileEncoding encoding) {
    std::vector<std::string> lines;
    const bool wide = encoding == RegFileEncoding::Utf16Le;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        if (wide && (i % 2 != 0 || i + 1 >= bytes.size() || bytes[i + 1] != '\0')) continue;
        const std::size_t end = i + (wide ? 2 : 1);
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
    lines.push_back(bytes.substr(start));
    return lines;
}

std::size_t BomLength(RegFileEncoding encoding, const std::string& bytes) {
    if (encoding == RegFileEncoding::Utf8) return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (encoding == RegFileEncoding::Utf16Le && bytes.size() >= 2 &&
        static_cast<unsigned char>(bytes[0]) == 0xFF)
        return 2;
    return 0;
}

// Text that holds a byte above 0x7F and reads as UTF-8 throughout (shortest
// forms, no surrogates): a file a UTF-8 tool wrote without a byte-order
// mark. GBK text of any length almost never does.
bool IsUtf8Beyond7Bit(const std::string& bytes) {
    bool beyond = false;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        beyond = true;
        const std::size_t length = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > bytes.size()) return false;
        const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
        const unsigned char low = b == 0xE0 ? 0xA0 : b == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = b == 0xED ? 0x9F : b == 0xF4 ? 0x8F : 0xBF;
        if (second < low || second > high) return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return beyond;
}

std::string ToGbk(const std::string& raw, RegFileEncoding encoding) {
    switch (encoding) {
        case RegFileEncoding::Utf8: return Utf8ToGbk(raw);
        case RegFileEncoding::Utf16Le: return Utf16LeToGbk(raw);
        case RegFileEncoding::Gbk: break;
    }
    return raw;
}

std::string FromGbk(const std::string& text, RegFileEncoding encoding) {
    switch (encoding) {
        case RegFileEncoding::Utf8: return GbkToUtf8(text);
        case RegFileEncoding::Utf16Le: return GbkToUtf16Le(text);
        case RegFileEncoding::Gbk: break;
    }
    return text;
}

// The physical lines as GBK texts, without their line ends; `lossy` marks a
// line that held a character GBK cannot hold (it reads as '?').
std::vector<std::string> TextLines(const RegFileLayout& layout, std::size_t bom,
                                   std::vector<bool>& lossy) {
    std::vector<std::string> text(layout.lines.size());
    lossy.assign(layout.lines.size(), false);
    // One conversion of the whole, the cost of a large file; line by line
    // only where a '?' may stand for a character that did not convert.
    std::string all;
    for (const std::string& line : layout.lines) all += line;
    const std::string converted = ToGbk(all.substr(bom), layout.encoding);
    std::vector<std::string> pieces = RawLines(converted, RegFileEncoding::Gbk);
    const bool aligned = pieces.size() == layout.lines.size();
    for (std::size_t i = 0; i < layout.lines.size(); ++i) {
        const std::string raw = i == 0 ? layout.lines[0].substr(bom) : layout.lines[i];
        std::string line = aligned ? pieces[i] : ToGbk(raw, layout.encoding);
        if (layout.encoding != RegFileEncoding::Gbk && line.find('?') != std::string::npos)
            lossy[i] = FromGbk(line, layout.encoding) != raw;
        if (!line.empty() && line.back() == '\n') line.pop_back();
        text[i] = std::move(line);
    }
    return text;
}

}  // namespace

std::string DwordBytes(std::uint32_t n) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(n >> (8 * i) & 0xFF));
    return bytes;
}

std::uint32_t DwordOf(const std::string& bytes) {
    std::uint32_t n = 0;
    for (std::size_t i = 4; i-- > 0;) n = n << 8 | (i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0u);
    return n;
}

RegFileParse ParseRegFile(const std::string& bytes, bool unmarkedUtf8) {
    RegFileParse result;
    RegFileLayout& layout = result.layout;
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE) {
        layout.encoding = RegFileEncoding::Utf16Le;
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        layout.encoding = RegFileEncoding::Utf8;
    } else if (bytes.size() >= 2 && byteAt(0) != 0 && byteAt(1) == 0) {
        // UTF-16LE that lost its byte-order mark: the header's first letter
        // and a zero byte.
        layout.encoding = RegFileEncoding::Utf16Le;
    } else if (unmarkedUtf8 && IsUtf8Beyond7Bit(bytes)) {
        layout.encoding = RegFileEncoding::Utf8;
    }
    layout.lines = RawLines(bytes, layout.encoding);
    std::vector<bool> lossy;
    const std::vector<std::string> lines = TextLines(layout, BomLength(layout.encoding, bytes), lossy);
    if (!lines.empty() && !lines[0].empty() && lines[0].back() != '\r') layout.lineEnd = "\n";

    FileBuilder build(result.file);
    std::map<std::string, std::vector<std::size_t>> sectionsByKey;  // by canonical path
    std::size_t lineNo = 0;
    try {
        // The header is the first line that is not blank.
        while (lineNo < lines.size() && TrimRight(lines[lineNo]).empty()) ++lineNo;
        const std::string header = lineNo < lines.size() ? TrimRight(lines[lineNo]) : "";
        if (header != kHeader4 && header != kHeader5) {
            if (lineNo == lines.size()) lineNo = 0;
            throw ParseFailure{"不是注册表文件（第一行应是 REGEDIT4 或 Windows Registry Editor Version 5.00）"};
        }
        layout.unicodeHex = header == kHeader5;
        std::size_t key = 0;
        bool haveKey = false;
        bool skipKey = false;  // inside a [-key] section
        for (++lineNo; lineNo < lines.size(); ++lineNo) {
            const std::size_t first = lineNo;
            std::string line = TrimRight(lines[lineNo]);
            bool lossyLine = lossy[lineNo];
            // A hex list goes on over lines that end in a backslash (no text
            // value can end in one: it ends in its closing quote).
            const std::size_t lead = SkipSpaces(line, 0);
            const bool comment = lead < line.size() && line[lead] == ';';
            while (!comment && !line.empty() && line.back() == '\\') {
                const bool atEnd = lineNo + 1 >= lines.size() ||
                                   (lineNo + 2 == lines.size() && lines[lineNo + 1].empty());
                if (atEnd) throw ParseFailure{"续行的 \\ 之后文件就结束了（文件不完整？）"};
                line.pop_back();
                ++lineNo;
                lossyLine = lossyLine || lossy[lineNo];
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
                    build.RemoveKey(path);
                    TakeCovered(sectionsByKey, CanonicalKey(path),
                                [&](std::size_t s) { layout.sections[s].removed = true; });
                    haveKey = false;
                    skipKey = true;
                    continue;
                }
                if (path.empty()) throw ParseFailure{"键名是空的"};
                skipKey = false;
                key = build.Key(path);
                haveKey = true;
                sectionsByKey[CanonicalKey(path)].push_back(layout.sections.size());
                layout.sections.push_back(RegFileLayout::Section{first, path, false});
                continue;
            }
            if (line[0] != '"' && line[0] != '@') throw ParseFailure{"无法识别的行"};
            if (skipKey) continue;
            if (!haveKey) throw ParseFailure{"值前面没有键名"};
            bool lossyData = false;
            ValueLine value = ReadValue(line, layout.unicodeHex, lossyData);
            if (lossyLine || lossyData)
                result.lossy.push_back(RegFileLossyValue{first + 1, layout.sections.back().path, value.value.name});
            layout.values.push_back(
                RegFileLayout::ValueLine{first, lineNo, layout.sections.size() - 1, value.remove, value.value});
            if (value.remove)
                build.Remove(key, value.value.name);
            else
                build.Set(key, std::move(value.value));
        }
    } catch (const ParseFailure& f) {
        result.error = "第 " + std::to_string(lineNo + 1) + " 行: " + f.message;
        return result;
    }
    build.Finish();
    result.ok = true;
    return result;
}

std::string WriteRegFile(const RegFile& file) {
    std::string out = std::string(kHeader4) + "\r\n\r\n";
    for (const RegFileKey& key : file.keys) {
        out += "[" + key.path + "]\r\n";
        for (const RegFileValue& v : key.values) out += ValueText(v, false) + "\r\n";
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


bool SameProgramKey(const std::string& a, const std::string& b) {
    return CanonicalKey(a) == CanonicalKey(b);
}

std::string ProgramKeyProblem(const RegFileParse& parsed, const std::string& relativeKey) {
    // The sections that still count, by the name they give the key.
    std::vector<const RegFileLayout::Section*> named;
    for (const RegFileLayout::Section& section : parsed.layout.sections) {
        if (section.removed || !SameProgramKey(section.path, relativeKey)) continue;
        bool seen = false;
        for (const RegFileLayout::Section* s : named) seen = seen || AsciiUpper(s->path) == AsciiUpper(section.path);
        if (!seen) named.push_back(&section);
    }
    if (named.size() > 1)
        return "第 " + std::to_string(named[0]->header + 1) + " 行和第 " + std::to_string(named[1]->header + 1) +
               " 行以两个名字给出 Vantrel 的键（" + named[0]->path + " 与 " + named[1]->path +
               "），在 64 位 Windows 上是两个不同的键；请只留一个";
    for (const RegFileLossyValue& v : parsed.lossy) {
        if (!SameProgramKey(v.path, relativeKey)) continue;
        return "第 " + std::to_string(v.line) + " 行: 值 " + (v.name.empty() ? "@" : v.name) +
               " 含有 GBK 无法表示的字符";
    }
    return std::string();
}

std::string RewriteRegFile(const RegFileLayout& layout, const RegFileKey& key,
                           const std::string& relativeKey) {
    const auto encode = [&](const std::string& gbk) { return FromGbk(gbk, layout.encoding); };
    std::unordered_map<std::string, const RegFileValue*> now;
    for (const RegFileValue& v : key.values) now.emplace(AsciiUpper(v.name), &v);

    // The program key's lines, and for each value name the last of them.
    std::vector<std::size_t> mine;
    std::unordered_map<std::string, std::size_t> lastLine;
    for (std::size_t i = 0; i < layout.values.size(); ++i) {
        const RegFileLayout::Section& section = layout.sections[layout.values[i].section];
        if (section.removed || !SameProgramKey(section.path, relativeKey)) continue;
        mine.push_back(i);
        lastLine[AsciiUpper(layout.values[i].value.name)] = i;
    }
    std::size_t insertAfter = 0;  // physical line after which new values go
    bool haveSection = false;
    for (const RegFileLayout::Section& section : layout.sections) {
        if (section.removed || !SameProgramKey(section.path, relativeKey)) continue;
        haveSection = true;
        insertAfter = section.header;
    }
    std::vector<std::string> replaced(layout.lines.size());
    std::vector<bool> dropped(layout.lines.size(), false), isReplaced(layout.lines.size(), false);
    for (std::size_t i : mine) {
        const RegFileLayout::ValueLine& line = layout.values[i];
        if (line.first > insertAfter) insertAfter = line.last;  // a line of the last section
        const std::string name = AsciiUpper(line.value.name);
        auto it = now.find(name);
        if (line.remove) continue;  // a deletion stays as it was written
        if (it == now.end()) {
            // Gone since the file was read (not deleted by a later line of
            // the file itself): its lines go.
            if (!layout.values[lastLine[name]].remove)
                for (std::size_t l = line.first; l <= line.last; ++l) dropped[l] = true;
            continue;
        }
        const bool last = lastLine[name] == i;
        if (!last || (line.value.type == it->second->type && line.value.data == it->second->data)) continue;
        for (std::size_t l = line.first; l <= line.last; ++l) dropped[l] = true;
        isReplaced[line.first] = true;
        replaced[line.first] = encode(ValueText(*it->second, layout.unicodeHex) + layout.lineEnd);
    }
    // A value without a line of its own, and one whose last line deletes it.
    std::string added;
    for (const RegFileValue& v : key.values) {
        auto it = lastLine.find(AsciiUpper(v.name));
        if (it != lastLine.end() && !layout.values[it->second].remove) continue;
        added += ValueText(v, layout.unicodeHex) + layout.lineEnd;
    }
    if (!haveSection) added = layout.lineEnd + "[" + key.path + "]" + layout.lineEnd + added;

    std::string out;
    for (std::size_t l = 0; l < layout.lines.size(); ++l) {
        if (isReplaced[l]) out += replaced[l];
        if (!dropped[l]) out += layout.lines[l];
        const bool here = haveSection ? l == insertAfter : l + 1 == layout.lines.size();
        if (here && !added.empty()) {
            // The line before may be the file's last, without a line end.
            const std::string& last = layout.lines[l];
            const bool ended = last.empty() || last.back() == '\n' ||
                               (last.size() >= 2 && last[last.size() - 2] == '\n' && last.back() == '\0');
            if (!dropped[l] && !ended) out += encode(layout.lineEnd);
            out += encode(added);
        }
    }
    return out;
}

}  // namespace vantrel
