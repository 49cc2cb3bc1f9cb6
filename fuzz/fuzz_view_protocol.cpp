// The views' protocol parser: any bytes a pipe client sends either are a
// message whose own encoding they are exactly, or are refused with
// ProtocolError; nothing else escapes, and each side's parser takes only
// the other side's messages.
#include <cstdlib>
#include <string>

#include "service/view_protocol.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);
    bool parsed = false;
    try {
        const ViewMessage m = ParseViewMessage(body);
        parsed = true;
        if (EncodeViewMessage(m) != body) std::abort();
        if (body.size() > kMaxViewMessage) std::abort();
    } catch (const ProtocolError&) {
    }
    int sides = 0;
    for (auto parse : {&ParseFromView, &ParseFromService}) {
        try {
            parse(body);
            ++sides;
        } catch (const ProtocolError&) {
        }
    }
    // A message is one side's exactly when it parses at all.
    if (sides != (parsed ? 1 : 0)) std::abort();
    return 0;
}
