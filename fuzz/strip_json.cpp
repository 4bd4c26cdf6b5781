// The strip decoder on any bytes: a decoded strip keeps the invariants the operations index by,
// and encoding it and decoding again gives the same strip.
#include <set>

#include "base/json_text.hpp"
#include "core/strip.hpp"
#include "fuzz_check.hpp"

using namespace tessarin;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    auto document = parseJsonText(fuzz::text(data, size));
    if (!document) return 0;
    auto strip = stripFromJson(*document);
    if (!strip) return 0;

    std::set<WindowID> seen;
    for (const Column& column : strip->columns) {
        fuzz::check(!column.windows.empty(), "no empty column");
        fuzz::check(column.heightWeights.size() == column.windows.size(), "one height per row");
        fuzz::check(column.activeRow >= 0 &&
                        column.activeRow < static_cast<std::int64_t>(column.windows.size()),
                    "active row inside its column");
        for (WindowID id : column.windows)
            fuzz::check(seen.insert(id).second, "each window once");
    }
    fuzz::check(strip->columns.empty()
                    ? strip->focusedColumn == 0
                    : strip->focusedColumn >= 0 &&
                          strip->focusedColumn < static_cast<std::int64_t>(strip->columns.size()),
                "focused column inside the strip");

    auto again = parseJsonText(jsonText(toJson(*strip)));
    fuzz::check(again.has_value(), "an encoded strip is JSON");
    fuzz::check(stripFromJson(*again) == strip, "decode, encode, decode gives the same strip");
    return 0;
}
