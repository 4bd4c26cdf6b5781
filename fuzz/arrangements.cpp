// Saved arrangements and their store on any bytes: a stored collection that reads back is
// written and read again unchanged, and a single arrangement round-trips through its JSON.
#include "base/json_text.hpp"
#include "base/memory_store.hpp"
#include "core/saved_arrangement.hpp"
#include "fuzz_check.hpp"
#include "settings/docking_store.hpp"

using namespace tessarin;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string_view text = fuzz::text(data, size);
    if (auto document = parseJsonText(text)) {
        if (auto arrangement = savedArrangementFromJson(*document)) {
            auto encoded = toJson(*arrangement);
            fuzz::check(encoded.has_value(), "a decoded arrangement encodes");
            auto again = parseJsonText(jsonText(*encoded));
            fuzz::check(again && savedArrangementFromJson(*again) == arrangement,
                        "an arrangement round-trips");
        }
    }

    MemoryStore memory;
    memory.set(std::string(DockingStore::kKey), std::string(text));
    DockingStore store(memory);
    auto all = store.all();
    if (all.empty()) return 0;
    fuzz::check(store.write(all), "what was read can be written");
    fuzz::check(store.all() == all, "the store round-trips");
    return 0;
}
