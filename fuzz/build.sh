#!/usr/bin/env bash
# Builds the libFuzzer targets (not part of the normal build): the point-line reader and
# the instrument readers.
#   fuzz/build.sh && build-fuzz/fuzz_point_lines -max_total_time=600 -max_len=65536 \
#     -artifact_prefix=build-fuzz/ build-fuzz/corpus fuzz/seeds
#   build-fuzz/fuzz_instrument -max_total_time=600 -max_len=65536 \
#     -artifact_prefix=build-fuzz/ build-fuzz/corpus-instrument fuzz/seeds-instrument
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang++ >/dev/null || { echo "needs clang (apt-get install clang)" >&2; exit 1; }
out=build-fuzz
mkdir -p "$out/corpus" "$out/corpus-instrument"
flags=(-std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-omit-frame-pointer -Isrc)
text=(src/text/NumText.cpp src/text/Cp949.cpp src/text/FieldText.cpp src/text/LineCursor.cpp)
src=(
  fuzz/fuzz_point_lines.cpp
  src/io/PointLine.cpp src/io/PointImport.cpp src/io/PointWrite.cpp src/io/SafeFile.cpp src/io/FileError.cpp
  src/model/Point3D.cpp src/model/NCADItem.cpp src/model/NCADProject.cpp src/model/CodeText.cpp
)
clang++ "${flags[@]}" "${src[@]}" "${text[@]}" -o "$out/fuzz_point_lines"
echo "$out/fuzz_point_lines"
mapfile -t formats < <(ls src/formats/*.cpp)
clang++ "${flags[@]}" fuzz/fuzz_instrument.cpp "${formats[@]}" "${text[@]}" src/model/CodeText.cpp -o "$out/fuzz_instrument"
echo "$out/fuzz_instrument"
