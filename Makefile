# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
# What the program needs to build and run, and what only its tests need on top.
PROGRAM_PACKAGES := build-essential cmake pkg-config libcpp-httplib-dev nlohmann-json3-dev
TEST_PACKAGES := libgtest-dev libbenchmark-dev chromium nodejs npm e2fsprogs util-linux wine64 openssl
DEBIAN_PACKAGES := $(PROGRAM_PACKAGES) $(TEST_PACKAGES)

.PHONY: all deps program-deps configure build run test unit e2e bench clean

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

# Everything, the browser tests' npm packages included.
deps:
	$(call install_missing,$(DEBIAN_PACKAGES))
	@if [ ! -d tests/e2e/node_modules/@playwright/test ]; then \
	  cd tests/e2e && npm ci --no-audit --no-fund --loglevel=error; fi

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

bench: build
	cmake --build $(BUILD_DIR) -j$(JOBS) --target benches

clean:
	rm -rf $(BUILD_DIR)
