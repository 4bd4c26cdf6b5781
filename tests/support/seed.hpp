#pragma once

#include <cstdint>

namespace tessarin::test {

// The seed for a randomized test: $TESSARIN_SEED when set, else a fresh one. It is printed so a
// failing run can be replayed with the same seed.
std::uint64_t seed(const char* testName);

// True when $TESSARIN_LONG is set: randomized tests then run their long version.
bool longRun();

}  // namespace tessarin::test
