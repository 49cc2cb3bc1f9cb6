// The folder and file-name parts of a GBK path: together they are the path,
// and the separator between them is never the trail byte of a character.
#include <cstdlib>
#include <string>

#include "text/gbk_text.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path(reinterpret_cast<const char*>(data), size);
    std::string folder = FolderPart(path), name = FileNamePart(path);
    if (folder + name != path) std::abort();
    size_t sep = LastPathSeparator(path);
    if (sep == std::string::npos) {
        if (!folder.empty()) std::abort();
        return 0;
    }
    if (path[sep] != '\\' && path[sep] != ':') std::abort();
    // Walking characters from the start must land on the separator.
    size_t pos = 0;
    while (pos < sep) pos += GbkCharLength(path, pos);
    if (pos != sep) std::abort();
    if (AsciiUpper(path).size() != path.size()) std::abort();
    return 0;
}
