# The two entry points. Each does its own set-up on a fresh Debian 12 machine
# (run as root): packages, configure, build, then run.
BUILD ?= build
JOBS ?= $(shell nproc)

# Warnings are errors in every tree this Makefile configures (a packager's
# plain cmake build leaves them warnings: HW_WERROR is off by default).
WERROR = -DHW_WERROR=ON

ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan

.PHONY: all deps configure build test test-asan test-tsan test-race demo clean

all: build

deps:
	@scripts/install-deps

# The main tree is a packager's build: Release with the default options (and
# warnings as errors on top), so `make test` proves that it compiles and passes.
configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-asan test-tsan test-race

# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the tests that run threads under ThreadSanitizer. Any finding fails the
# run; the suppression files in tests/sanitizer/ name only third-party code.
SAN_ENV = ASAN_OPTIONS=detect_leaks=1:strict_init_order=1 \
          LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
          UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
          TSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/tsan.supp:halt_on_error=1:second_deadlock_stack=1
TSAN_TARGETS = concurrency_test stylesheet_test platform_test component_test import_test server_test history_test
TSAN_TESTS = ^(ConcurrentReports|TransformerThreads|RunStateFlags)\.|^ModuleState\.CurrentStateIsPerThread$$|^Win32\.WindowMessagesAreStablePerNameAcrossThreads$$|ImportLibrary\.AFailedInventory|History\.ABulkImport|^Serve\.EightClients

test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR) \
	    -DHW_SANITIZE=address,undefined >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@$(SAN_ENV) ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

test-tsan: deps
	@cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(WERROR) \
	    -DHW_SANITIZE=thread >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	@$(SAN_ENV) ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)'

# Report threads share compiled stylesheets. ThreadSanitizer sees only our
# own code; valgrind's DRD sees libxslt's and libxml2's accesses too, while
# three threads transform with one stylesheet.
test-race: build
	@bench/racecheck --build $(BUILD) >/dev/null 2>$(BUILD)/racecheck.log || \
	    { cat $(BUILD)/racecheck.log; exit 1; }

# The main job on the embedded default: this machine's own inventory (made
# by fusioninventory-inventory) imported beside a sample fleet in SQLite, its
# report, PC 1's report and a batch of the first 100 PCs, all through the
# component's Display. fusioninventory-inventory names every run with a new
# device id (the agent's daemon would keep one); the demo gives it this
# machine's id, so that running the demo again updates the same PC.
DEMO ?= $(BUILD)/demo

demo: build
	@mkdir -p $(DEMO)
	@test -s $(DEMO)/fleet.db || $(BUILD)/bin/hwconsole init-db --db $(DEMO)/fleet.db
	@fusioninventory-inventory > $(DEMO)/this-machine.xml 2>$(DEMO)/this-machine.log || \
	    { cat $(DEMO)/this-machine.log >&2; exit 1; }
	@sed -i "s|<DEVICEID>.*</DEVICEID>|<DEVICEID>demo-$$(cat /etc/machine-id 2>/dev/null || hostname)</DEVICEID>|" \
	    $(DEMO)/this-machine.xml
	@$(BUILD)/bin/hwconsole import --db $(DEMO)/fleet.db $(DEMO)/this-machine.xml > $(DEMO)/import.txt
	@pc=$$(sed -n 's/^imported .* as PC \([0-9]*\) .*/\1/p' $(DEMO)/import.txt); \
	 $(BUILD)/bin/hwconsole report --db $(DEMO)/fleet.db --pc $$pc \
	    --company "Example Ltd" --user "$${USER:-admin}" --out $(DEMO)/this-machine.html && \
	 echo "demo: this machine   $(abspath $(DEMO))/this-machine.html (PC $$pc)"
	@$(BUILD)/bin/hwconsole report --db $(DEMO)/fleet.db --pc 1 \
	    --company "Example Ltd" --user "$${USER:-admin}" --out $(DEMO)/pc-1.html
	@$(BUILD)/bin/hwconsole batch --db $(DEMO)/fleet.db --pcs 1-100 \
	    --company "Example Ltd" --user "$${USER:-admin}" --out-dir $(DEMO)/batch
	@echo "demo: sample fleet   $(abspath $(DEMO))/fleet.db"
	@echo "demo: PC 1 report    $(abspath $(DEMO))/pc-1.html"
	@echo "demo: PCs 1-100      $(abspath $(DEMO))/batch/index.html"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD)
