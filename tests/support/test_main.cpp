#include <gtest/gtest.h>

#include "base/log.hpp"

// Tests keep their log lines to themselves: no file in the user's folders, no system logger.
// A test that examines the log configures its own.
int main(int argc, char** argv) {
    tessarin::Log::Options quiet;
    quiet.systemLog = false;
    tessarin::Log::configure(quiet);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
