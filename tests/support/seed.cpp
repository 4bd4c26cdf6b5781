#include "support/seed.hpp"

#include <cstdio>
#include <cstdlib>
#include <random>

namespace tessarin::test {

std::uint64_t seed(const char* testName) {
    std::uint64_t value;
    if (const char* fixed = std::getenv("TESSARIN_SEED"); fixed && *fixed) {
        value = std::strtoull(fixed, nullptr, 10);
    } else {
        std::random_device device;
        value = (std::uint64_t{device()} << 32) | device();
    }
    std::printf("%s: seed %llu (replay with TESSARIN_SEED=%llu)\n", testName,
                static_cast<unsigned long long>(value), static_cast<unsigned long long>(value));
    return value;
}

bool longRun() {
    const char* flag = std::getenv("TESSARIN_LONG");
    return flag && *flag && *flag != '0';
}

}  // namespace tessarin::test
