// vantrel_admx FOLDER: writes Vantrel.admx, zh-CN/Vantrel.adml and
// en-US/Vantrel.adml into FOLDER (installer/policy in the sources, which
// the setup program and the zip ship).
#include <cstdio>
#include <fstream>
#include <string>

#include "installer/policy_templates.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantrel_admx FOLDER\n");
        return 2;
    }
    const vantrel::PolicyTemplates t = vantrel::BuildPolicyTemplates();
    if (!t.error.empty()) {
        std::fprintf(stderr, "vantrel_admx: %s\n", t.error.c_str());
        return 1;
    }
    const std::string folder = argv[1];
    const struct {
        const char* path;
        const std::string& text;
    } files[] = {{"/Vantrel.admx", t.admx}, {"/zh-CN/Vantrel.adml", t.admlZhCn}, {"/en-US/Vantrel.adml", t.admlEnUs}};
    for (const auto& f : files) {
        std::ofstream out(folder + f.path, std::ios::binary);
        out << f.text;
        if (!out) {
            std::fprintf(stderr, "vantrel_admx: cannot write %s%s\n", folder.c_str(), f.path);
            return 1;
        }
    }
    return 0;
}
