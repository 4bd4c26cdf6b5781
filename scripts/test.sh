#!/usr/bin/env bash
# Installs what is missing, then runs every check CI runs, each in a build folder of its own:
#   format   clang-format on every tracked C++ file
#   layers   each source folder includes only what the layer table allows
#   tidy     clang-tidy (.clang-tidy) over src/
#   release  GCC Release build of everything with tests and benchmarks; tests, benchmarks briefly
#   tsan     Clang with ThreadSanitizer: the tests that use threads, the X input taps included
#   fuzz     Clang libFuzzer targets: each replays its corpus, then searches 30 s
#   asan     GCC with AddressSanitizer and UndefinedBehaviorSanitizer: every test
# Arguments pick stages (for example `bash scripts/test.sh asan`); none runs them all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
stages=("$@")
((${#stages[@]})) || stages=(format layers tidy release tsan fuzz asan)

configure() {  # folder, then cmake options
    local folder=$1
    shift
    cmake -S . -B "$folder" -G Ninja "$@" >/dev/null
}

for stage in "${stages[@]}"; do
    echo "=== $stage ($(date +%T))"
    case $stage in
        format) bash scripts/check_format.sh ;;
        layers) bash scripts/check_layers.sh ;;
        tidy)
            configure build-tidy -DCMAKE_BUILD_TYPE=Debug -DTESSARIN_TESTS=OFF -DTESSARIN_BENCH=OFF
            run-clang-tidy -quiet -j "$jobs" -p build-tidy "$PWD/src/" >build-tidy/report.txt 2>&1 ||
                { grep -E 'error:|warning:' -A3 build-tidy/report.txt; exit 1; }
            echo "tidy: clean"
            ;;
        release)
            configure build-release -DCMAKE_BUILD_TYPE=Release -DTESSARIN_TESTS=ON -DTESSARIN_BENCH=ON
            cmake --build build-release
            ctest --test-dir build-release --output-on-failure -j"$jobs" --timeout 600 \
                >build-release/ctest.log || { cat build-release/ctest.log; exit 1; }
            tail -3 build-release/ctest.log
            # Figures are read by hand; here they only have to run.
            for bench in build-release/bench/bench_*; do
                "$bench" --benchmark_min_time=0.01 >/dev/null
                echo "ran $(basename "$bench")"
            done
            ;;
        tsan)
            CC=clang CXX=clang++ configure build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
                -DTESSARIN_TSAN=ON -DTESSARIN_BENCH=OFF
            cmake --build build-tsan --target test_base test_system test_engine test_input test_app \
                test_x11 tessarin
            export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
            build-tsan/tests/base/test_base --gtest_brief=1
            build-tsan/tests/system/test_system --gtest_brief=1
            build-tsan/tests/engine/test_engine --gtest_brief=1 --gtest_filter='ApplicationQueues.*'
            build-tsan/tests/input/test_input --gtest_brief=1
            build-tsan/tests/app/test_app --gtest_brief=1
            # The X taps' threads, and the program with its taps under real input (with Qt's own
            # threads left out: see scripts/tsan-program.supp).
            build-tsan/tests/x11/test_x11 --gtest_brief=1 --gtest_filter='X11Input.*'
            TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan-program.supp" \
                build-tsan/tests/x11/test_x11 --gtest_brief=1 \
                --gtest_filter='*ShortcutsFocusAndMove*:*ModifierWheel*:*OptionsSecondCopy*:*TessarinAnimatedOutline*'
            ;;
        fuzz)
            CC=clang CXX=clang++ configure build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
                -DTESSARIN_FUZZ=ON -DTESSARIN_TESTS=OFF -DTESSARIN_BENCH=OFF
            cmake --build build-fuzz
            ctest --test-dir build-fuzz --output-on-failure -j"$jobs"
            ;;
        asan)
            configure build-test -DCMAKE_BUILD_TYPE=Debug -DTESSARIN_SANITIZE=ON
            cmake --build build-test
            ctest --test-dir build-test --output-on-failure -j"$jobs" --timeout 600
            ;;
        *)
            echo "unknown stage: $stage" >&2
            exit 2
            ;;
    esac
done
