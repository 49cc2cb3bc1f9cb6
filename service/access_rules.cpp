#include "service/access_rules.h"

#include "text/gbk_text.h"

namespace vantrel {

// 0x12019B: FILE_GENERIC_READ (0x120089) | FILE_GENERIC_WRITE (0x120116)
// without FILE_APPEND_DATA (0x4), which on a pipe is FILE_CREATE_PIPE_INSTANCE.
const char kViewPipeSddl[] = "D:P(D;;GA;;;NU)(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x12019b;;;IU)";

// 0x1200A9: FILE_GENERIC_READ | FILE_GENERIC_EXECUTE.
const char kInstallFolderSddl[] = "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

namespace {

// The path's components, upper-cased as the file system compares ASCII
// names; false when one of them is "." or "..", or the path is empty.
bool Components(const std::string& path, std::vector<std::string>& parts) {
    parts.clear();
    std::string part;
    auto flush = [&]() -> bool {
        if (part == "." || part == "..") return false;
        if (!part.empty()) parts.push_back(AsciiUpper(part));
        part.clear();
        return true;
    };
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (c >= 0x81 && c <= 0xFE && i + 1 < path.size()) {
            // A GBK pair: its second byte may be '\\' and is no separator.
            part += path[i];
            part += path[++i];
            continue;
        }
        if (c == '\\' || c == '/') {
            if (!flush()) return false;
        } else {
            part += path[i];
        }
    }
    return flush() && !parts.empty();
}

}  // namespace

bool InsideProgramFiles(const std::string& folder, const std::vector<std::string>& programFiles) {
    std::vector<std::string> target;
    if (!Components(folder, target)) return false;
    for (const std::string& root : programFiles) {
        std::vector<std::string> base;
        if (!Components(root, base) || base.size() < 2) continue;  // never a drive root
        if (target.size() <= base.size()) continue;  // the folder itself is the system's
        bool inside = true;
        for (std::size_t i = 0; i < base.size() && inside; ++i) inside = target[i] == base[i];
        if (inside) return true;
    }
    return false;
}

}  // namespace vantrel
