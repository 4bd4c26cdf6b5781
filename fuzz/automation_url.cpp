// Automation URLs on any bytes: a command comes only out of a valid URL, is never longer than
// the URL, and a name that needs no escaping names itself again behind the scheme.
#include "core/automation_url.hpp"
#include "fuzz_check.hpp"

using namespace tessarin;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    const std::string_view text = fuzz::text(data, size);
    const auto command = automationCommand(text);
    if (!command) return 0;
    fuzz::check(command->size() <= text.size(), "a command is part of its URL");
    bool plain = !command->empty();
    for (char c : *command)
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    if (plain) {
        fuzz::check(automationCommand("tessarin://" + *command) == command, "host round-trips");
        fuzz::check(automationCommand("tessarin:///" + *command) == command, "path round-trips");
    }
    return 0;
}
