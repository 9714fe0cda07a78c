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

# The main job on the embedded default: a sample fleet in SQLite, then PC 1's
# report and a batch of the first 100 PCs through the component's Display.
DEMO ?= $(BUILD)/demo

demo: build
	@mkdir -p $(DEMO)
	@test -s $(DEMO)/fleet.db || $(BUILD)/bin/hwconsole init-db --db $(DEMO)/fleet.db
	@$(BUILD)/bin/hwconsole report --db $(DEMO)/fleet.db --pc 1 \
	    --company "Example Ltd" --user "$${USER:-admin}" --out $(DEMO)/pc-1.html
	@$(BUILD)/bin/hwconsole batch --db $(DEMO)/fleet.db --pcs 1-100 \
	    --company "Example Ltd" --user "$${USER:-admin}" --out-dir $(DEMO)/batch
	@echo "demo: sample fleet   $(abspath $(DEMO))/fleet.db"
	@echo "demo: PC 1 report    $(abspath $(DEMO))/pc-1.html"
	@echo "demo: PCs 1-100      $(abspath $(DEMO))/batch/"

clean:
	rm -rf $(BUILD)
