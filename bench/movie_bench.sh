#!/bin/sh
# Builds and runs the movie player benchmark: 10,000 commands that each set a variable, until the
# last `set` event reaches a page, against 10,000 bare round trips to the same server.
# Usage: bench/movie_bench.sh [BUILD_DIR]   (default: build)
set -e
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${1:-$ROOT/build}
[ -f "$BUILD_DIR/CMakeCache.txt" ] || cmake -S "$ROOT" -B "$BUILD_DIR" >/dev/null
cmake --build "$BUILD_DIR" -j2 --target movie_bench
"$BUILD_DIR/bin/movie_bench"
