# The two entry points. Each does its own set-up on a fresh Debian 12 machine
# (run as root): packages, configure, build, then run.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test demo clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	@test -s $(BUILD)/fleet.db || $(BUILD)/bin/hwconsole init-db --db $(BUILD)/fleet.db
	@$(BUILD)/bin/hwconsole info

clean:
	rm -rf $(BUILD)
