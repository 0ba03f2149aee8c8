#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz (the CMake option PB_FUZZ):
#   fuzz/build.sh && build-fuzz/bin/fuzz_point_lines -max_total_time=600 -max_len=65536 \
#     -artifact_prefix=build-fuzz/ build-fuzz/corpus fuzz/seeds
#   build-fuzz/bin/fuzz_instrument -max_total_time=600 -max_len=65536 \
#     -artifact_prefix=build-fuzz/ build-fuzz/corpus-instrument fuzz/seeds-instrument
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang++ >/dev/null || { echo "needs clang (apt-get install clang)" >&2; exit 1; }
mkdir -p build-fuzz/corpus build-fuzz/corpus-instrument
cmake -S . -B build-fuzz -DPB_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-fuzz -j2 --target fuzz_point_lines fuzz_instrument
echo build-fuzz/bin/fuzz_point_lines build-fuzz/bin/fuzz_instrument
