#include "base/log_stamp.hpp"

#include <cstring>
#include <ctime>
#include <limits>

namespace tessarin {

namespace {

void twoDigits(int value, char* out) {
    out[0] = static_cast<char>('0' + value / 10 % 10);
    out[1] = static_cast<char>('0' + value % 10);
}

}  // namespace

void LogStamp::write(std::chrono::system_clock::time_point time, char* out) {
    using namespace std::chrono;
    // Floor, not truncate, so that times before the epoch keep the right second.
    auto millis = floor<milliseconds>(time.time_since_epoch());
    auto second = floor<seconds>(millis);
    int fraction = static_cast<int>((millis - second).count());

    thread_local std::time_t cachedSecond = std::numeric_limits<std::time_t>::min();
    thread_local char cached[8] = {'0', '0', ':', '0', '0', ':', '0', '0'};
    std::time_t whole = static_cast<std::time_t>(second.count());
    if (whole != cachedSecond) {
        std::tm local{};
        if (localtime_r(&whole, &local)) {
            twoDigits(local.tm_hour, cached);
            twoDigits(local.tm_min, cached + 3);
            twoDigits(local.tm_sec, cached + 6);
        } else {
            // A fixed-width field of the stamp, not a string: no terminator belongs here.
            std::memcpy(cached, "00:00:00", 8);  // NOLINT(bugprone-not-null-terminated-result)
        }
        cachedSecond = whole;
    }
    std::memcpy(out, cached, 8);
    out[8] = '.';
    out[9] = static_cast<char>('0' + fraction / 100);
    twoDigits(fraction % 100, out + 10);
}

}  // namespace tessarin
