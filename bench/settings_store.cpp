#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "base/file_store.hpp"
#include "base/memory_store.hpp"
#include "settings/bindings_codec.hpp"
#include "settings/preferences.hpp"

namespace {

using namespace tessarin;

std::filesystem::path makeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessarin-bench-XXXXXX");
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return mkdtemp(name.data()) ? std::filesystem::path(name.data()) : std::filesystem::path();
}

// One setting change: the whole document written to a temporary file, synced and renamed.
void BM_FileStoreWriteThrough(benchmark::State& state) {
    auto folder = makeFolder();
    {
        FileStore store(folder, "com.tessarin");
        Preferences prefs(store);
        prefs.saveBindings();
        double gap = 0;
        for (auto _ : state)
            prefs.setGap(gap += 1);
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FileStoreWriteThrough)->Unit(benchmark::kMicrosecond);

// Start-up: reading the settings file and every setting, bindings included.
void BM_PreferencesStartUp(benchmark::State& state) {
    auto folder = makeFolder();
    {
        FileStore store(folder, "com.tessarin");
        Preferences prefs(store);
        prefs.setFloatingApps({"com.example.a", "com.example.b"});
        prefs.saveBindings();
    }
    for (auto _ : state) {
        FileStore store(folder, "com.tessarin");
        Preferences prefs(store);
        benchmark::DoNotOptimize(prefs.bindings().size());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_PreferencesStartUp)->Unit(benchmark::kMicrosecond);

void BM_BindingsDecode(benchmark::State& state) {
    auto text = BindingsCodec::encode(DefaultShortcuts::make(0x1800)).value_or("");
    for (auto _ : state)
        benchmark::DoNotOptimize(BindingsCodec::decode(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_BindingsDecode);

}  // namespace

BENCHMARK_MAIN();
