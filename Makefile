# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
# What the program needs to build and run, and what only its tests need on top.
PROGRAM_PACKAGES := build-essential cmake pkg-config libcpp-httplib-dev nlohmann-json3-dev libcli11-dev libsqlite3-dev libhivex-dev
TEST_PACKAGES := libgtest-dev libbenchmark-dev chromium nodejs npm e2fsprogs util-linux wine64 openssl libmsiecf-utils sqlite3 libwin-hivex-perl reglookup libregf-utils ntfs-3g
DEBIAN_PACKAGES := $(PROGRAM_PACKAGES) $(TEST_PACKAGES)

.PHONY: all deps program-deps configure build run test unit e2e bench test-sanitize fuzz killtest clean

all: build

# Installs only the Debian packages of $(1) that are missing, so running it again costs nothing.
define install_missing
	@missing=""; for p in $(1); do \
	  if [ "$$p" = npm ] && command -v npm >/dev/null 2>&1; then continue; fi; \
	  if [ "$$p" = nodejs ] && command -v node >/dev/null 2>&1; then continue; fi; \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi
endef

program-deps:
	$(call install_missing,$(PROGRAM_PACKAGES))

# Everything, the browser tests' npm packages included: installed again (npm ci, with a time
# limit) unless the locked version of @playwright/test and its command are there.
deps:
	$(call install_missing,$(DEBIAN_PACKAGES))
	@sh tests/e2e/install_packages.sh tests/e2e

$(BUILD_DIR)/CMakeCache.txt:
	@cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

# Configured again, so that a build folder `make run` made finds the test packages now present.
configure: deps
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

# Only the program is built, quietly; its output is shown when the build fails.
run: program-deps $(BUILD_DIR)/CMakeCache.txt
	@echo "Building tavrinapp ..."
	@cmake --build $(BUILD_DIR) --target tavrinapp -j$(JOBS) >$(BUILD_DIR)/run-build.log 2>&1 || \
	  { cat $(BUILD_DIR)/run-build.log; exit 1; }
	@$(BUILD_DIR)/bin/tavrinapp $(ARGS)

unit: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

e2e: build
	cd tests/e2e && TAVRIN_BIN=$(CURDIR)/$(BUILD_DIR)/bin/tavrinapp npx playwright test

test: unit e2e

# The whole suite, unit and browser tests, with every program and test built with AddressSanitizer
# and UndefinedBehaviorSanitizer, in a build folder of its own. The first finding fails its test.
SANITIZE_DIR ?= build-sanitize
SANITIZE_ENV := ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test-sanitize: deps
	cmake -S . -B $(SANITIZE_DIR) -DTAVRIN_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR) -j$(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ctest --output-on-failure -j$(JOBS)
	cd tests/e2e && $(SANITIZE_ENV) TAVRIN_BIN=$(CURDIR)/$(SANITIZE_DIR)/bin/tavrinapp npx playwright test

# The parsers' libFuzzer targets (clang), each run over its seeds for FUZZ_SECONDS (or FUZZ_RUNS
# inputs); not part of `make test`. `make fuzz FUZZ_TARGETS="hive ini"` runs only those.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 20
FUZZ_TARGETS ?=
FUZZ_RUNS ?=
fuzz:
	$(call install_missing,clang)
	cmake -S . -B $(FUZZ_DIR) -DTAVRIN_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) --target fuzzers -j$(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_RUNS=$(FUZZ_RUNS) sh tests/fuzz/run_fuzzers.sh $(FUZZ_DIR)/bin $(FUZZ_DIR)/runs $(FUZZ_TARGETS)

# The program killed 200 times at random moments while commands change a large registry (the
# suite runs a few); TAVRIN_KILL_SEED=N repeats a run.
killtest: build
	TAVRIN_KILLS=$${TAVRIN_KILLS:-200} $(BUILD_DIR)/bin/kill_test --gtest_filter=KillTest.*

bench: build
	cmake --build $(BUILD_DIR) -j$(JOBS) --target benches

clean:
	rm -rf $(BUILD_DIR)
