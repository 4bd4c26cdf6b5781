// Stored key bindings and key combos on any bytes: what decodes encodes, and decodes back the
// same; every combo's display text is built without failing.
#include "base/json_text.hpp"
#include "core/key_combo.hpp"
#include "fuzz_check.hpp"
#include "settings/bindings_codec.hpp"

using namespace tessarin;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string_view text = fuzz::text(data, size);
    if (auto document = parseJsonText(text)) {
        if (auto combo = KeyCombo::fromJson(*document)) {
            fuzz::check(KeyCombo::fromJson(combo->toJson()) == combo, "a combo round-trips");
            (void)combo->display(nullptr);
        }
    }
    auto bindings = BindingsCodec::decode(text);
    if (!bindings) return 0;
    auto encoded = BindingsCodec::encode(*bindings);
    if (!encoded) return 0;  // a key code that must not be stored: refused, not written
    fuzz::check(BindingsCodec::decode(*encoded) == bindings, "bindings round-trip");
    return 0;
}
