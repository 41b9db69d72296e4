# Builds with the compiler's run-time checkers, each in a build folder of its own (make
# test-sanitize, make fuzz); the normal build has none of it.
option(TAVRIN_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TAVRIN_FUZZ "Build the libFuzzer targets of the parsers (clang only), with the same checkers" OFF)

if(TAVRIN_SANITIZE OR TAVRIN_FUZZ)
  # The first fault ends the run: a report that scrolls past in a passing test is worth nothing.
  set(TAVRIN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${TAVRIN_SANITIZER_FLAGS})
  add_link_options(${TAVRIN_SANITIZER_FLAGS})
endif()

if(TAVRIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TAVRIN_FUZZ needs clang (cmake -DCMAKE_CXX_COMPILER=clang++)")
  endif()
  # Coverage for the fuzzer in every library; only the fuzz targets get libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
