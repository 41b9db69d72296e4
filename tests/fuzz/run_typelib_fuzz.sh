#!/bin/sh
# Builds the type-library reader's fuzz target with libFuzzer and AddressSanitizer (clang) and runs
# it from the test DLLs. Not part of `make test`: it takes minutes.
#   sh tests/fuzz/run_typelib_fuzz.sh [RUNS]     (default 1000000 inputs)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-1000000}
out=${FUZZ_DIR:-$root/build/fuzz}
mkdir -p "$out/corpus"
cp "$root"/tests/fixtures/typelib/*.dll "$out/corpus/"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$root" \
    "$root/tests/fuzz/typelib_fuzz.cpp" "$root/platform/typelib/byte_source.cpp" \
    "$root/platform/typelib/pe_resource.cpp" "$root/platform/typelib/type_library.cpp" -o "$out/typelib_fuzz"
"$out/typelib_fuzz" -runs="$runs" -max_len=16384 -print_final_stats=1 "$out/corpus"
