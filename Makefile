# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD_DIR ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
DEBIAN_PACKAGES := build-essential cmake pkg-config libcpp-httplib-dev nlohmann-json3-dev \
                   libgtest-dev libbenchmark-dev chromium nodejs npm e2fsprogs util-linux

.PHONY: all deps build run test unit e2e bench clean

all: build

# Installs only the Debian packages that are missing, so running it again costs nothing.
deps:
	@missing=""; for p in $(DEBIAN_PACKAGES); do \
	  if [ "$$p" = npm ] && command -v npm >/dev/null 2>&1; then continue; fi; \
	  if [ "$$p" = nodejs ] && command -v node >/dev/null 2>&1; then continue; fi; \
	  dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi
	@if [ ! -d tests/e2e/node_modules/@playwright/test ]; then \
	  cd tests/e2e && npm ci --no-audit --no-fund --loglevel=error; fi

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/CMakeCache.txt
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	$(BUILD_DIR)/bin/tavrinapp $(ARGS)

unit: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

e2e: build
	cd tests/e2e && TAVRIN_BIN=$(CURDIR)/$(BUILD_DIR)/bin/tavrinapp npx playwright test

test: unit e2e

bench: build
	cmake --build $(BUILD_DIR) -j$(JOBS) --target benches

clean:
	rm -rf $(BUILD_DIR)
