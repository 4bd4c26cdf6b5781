#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace tessarin::fuzz {

// A broken promise is a crash to the fuzzer: it saves the input that broke it.
inline void check(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "broken promise: %s\n", promise);
    std::abort();
}

inline std::string_view text(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tessarin::fuzz
