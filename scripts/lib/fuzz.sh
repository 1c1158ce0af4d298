# shellcheck shell=bash
# Helpers for the fuzz targets (tests/fuzz/), sourced by scripts/test.sh and scripts/fuzz.sh.

# The fuzz targets, as tests/fuzz/CMakeLists.txt names them (fuzz_NAME).
tolvane_fuzz_targets=(settings midi window_position check_options)

# tolvane_build_fuzzers DIR: configures DIR as a libFuzzer build (clang, ASan + UBSan) and
# builds the fuzz targets and nothing else.
tolvane_build_fuzzers() {
    local dir=$1 targets=() name
    for name in "${tolvane_fuzz_targets[@]}"; do targets+=("fuzz_$name"); done
    CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -G Ninja -DTOLVANE_SANITIZER=fuzzer \
        -DTOLVANE_BUILD_TESTS=OFF -DTOLVANE_REFERENCE_STANDALONE=OFF > /dev/null
    cmake --build "$dir" --target "${targets[@]}"
}
