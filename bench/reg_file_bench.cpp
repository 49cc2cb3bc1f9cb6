// Reading a large registry file against reading its bytes once: a file like
// the registry editor's export of HKEY_LOCAL_MACHINE\SOFTWARE, 20,000 keys of
// a few values each (about 1.1 MB as GBK), with key and value deletions, as
// REGEDIT4 (GBK) and as 5.00 (UTF-16LE). The floor walks every byte once
// (counting the line ends); the parse builds every key and value and the
// layout a write keeps. Then a write of the program key's lines back into
// the whole file. Prints, per kind: "kind keys bytes parse_ms floor_ms
// ratio rewrite_ms", best of several rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "text/codepage.h"
#include "registry/reg_file.h"

using namespace vantrel;

namespace {

constexpr int kKeys = 20000;

std::string ExportText(bool unicodeHeader) {
    std::string text = unicodeHeader ? "Windows Registry Editor Version 5.00\r\n\r\n" : "REGEDIT4\r\n\r\n";
    char line[256];
    for (int k = 0; k < kKeys; ++k) {
        std::snprintf(line, sizeof line, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\厂商%d\\产品%d]\r\n", k / 50, k);
        text += line;
        std::snprintf(line, sizeof line, "\"InstallPath\"=\"C:\\\\Program Files\\\\产品%d\\\\\"\r\n", k);
        text += line;
        std::snprintf(line, sizeof line, "\"Version\"=dword:%08x\r\n", k);
        text += line;
        text += "\"Flags\"=hex:01,00,00,00,ff,ee\r\n";
        if (k % 100 == 7) text += "\"Version\"=-\r\n";
        text += "\r\n";
        if (k % 1000 == 999) {
            std::snprintf(line, sizeof line, "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\厂商%d\\产品%d]\r\n\r\n", k / 50, k - 1);
            text += line;
        }
        if (k == kKeys / 2)
            text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brelnix\\Vantrel]\r\n\"TaskNum\"=dword:00000001\r\n"
                    "\"A1\"=\"每天8时0分\"\r\n\"B1\"=\"关闭计算机\"\r\n\"C1\"=\"\"\r\n\"D1\"=\"启用\"\r\n\r\n";
    }
    return text;
}

template <typename F>
double BestMillis(int rounds, F f) {
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    }
    return best;
}

void Run(const char* kind, const std::string& bytes) {
    volatile std::size_t sink = 0;
    const double floor = BestMillis(20, [&] { sink = sink + std::count(bytes.begin(), bytes.end(), '\n'); });
    RegFileParse parsed;
    const double parse = BestMillis(5, [&] { parsed = ParseRegFile(bytes); });
    if (!parsed.ok) {
        std::fprintf(stderr, "%s: %s\n", kind, parsed.error.c_str());
        return;
    }
    RegFileKey key;
    for (const RegFileKey& k : parsed.file.keys)
        if (SameProgramKey(k.path, "\\Software\\Brelnix\\Vantrel")) key = k;
    key.values.push_back(RegFileValue{"A2", kRegSz, "每天9时0分"});
    std::string written;
    const double rewrite =
        BestMillis(5, [&] { written = RewriteRegFile(parsed.layout, key, "\\Software\\Brelnix\\Vantrel"); });
    std::printf("%s %zu %zu %.1f %.2f %.0f %.1f\n", kind, parsed.file.keys.size(), bytes.size(), parse, floor,
                parse / floor, rewrite);
}

}  // namespace

int main() {
    Run("REGEDIT4", ExportText(false));
    Run("5.00-UTF-16", "\xFF\xFE" + GbkToUtf16Le(ExportText(true)));
    return 0;
}
