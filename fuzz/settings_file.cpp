// The settings file as the file store opens it, from any bytes: a file that is not a JSON object
// is moved aside byte for byte and never overwritten, the store keeps working, and every number
// the preferences hand to the engine is finite and inside its control's range.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/file_store.hpp"
#include "base/json_text.hpp"
#include "base/log.hpp"
#include "fuzz_check.hpp"
#include "settings/preferences.hpp"

using namespace tessarin;
namespace fs = std::filesystem;

namespace {

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

bool within(double value, double low, double high) {
    return std::isfinite(value) && value >= low && value <= high;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static const fs::path folder = [] {
        Log::configure(Log::Options{std::nullopt, nullptr, false, {}});
        auto path = fs::temp_directory_path() / ("tessarin-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(path);
        return path;
    }();
    const std::string bytes(fuzz::text(data, size));
    for (const auto& entry : fs::directory_iterator(folder))
        fs::remove(entry.path());
    const fs::path file = folder / "com.tessarin.json";
    const fs::path aside = folder / "com.tessarin.json.corrupt-1";
    std::ofstream(file, std::ios::binary) << bytes;

    auto document = parseJsonText(bytes);
    const bool damaged = !document || !document->is_object();
    {
        FileStore store(folder, "com.tessarin");
        Preferences prefs(store);
        fuzz::check(within(prefs.gap(), 0, 40) && within(prefs.outerGap(), 0, 40),
                    "gaps inside 0...40");
        fuzz::check(within(prefs.defaultWidth(), 0.25, 1), "default width inside its range");
        fuzz::check(within(prefs.focusWidth(), 0.4, 0.95) && within(prefs.focusHeight(), 0.5, 1),
                    "focus-mode size inside its range");
        fuzz::check(within(prefs.animationSpeed(), 0.5, 2.5), "animation speed inside its range");
        fuzz::check(prefs.gestureFingers() == 3 || prefs.gestureFingers() == 4, "3 or 4 fingers");
        for (double preset : prefs.presets())
            fuzz::check(within(preset, 0.25, 1), "width presets inside their range");

        if (damaged) {
            fuzz::check(!fs::exists(file), "a damaged file leaves its place");
            fuzz::check(fs::exists(aside) && read(aside) == bytes, "moved aside byte for byte");
        }
        prefs.setGap(12);
        fuzz::check(store.number("gap") == 12, "the store keeps working");
    }
    if (damaged) fuzz::check(read(aside) == bytes, "the moved-aside file is never overwritten");
    FileStore reopened(folder, "com.tessarin");
    fuzz::check(reopened.number("gap") == 12, "the change was written to a fresh file");
    return 0;
}
