# Vantrel: `make run` starts the planner, `make test` runs every test headless.
# Both install what is missing, then configure and build in build/.
# `make test-sanitize` builds everything again in build-sanitize/ with
# AddressSanitizer and UndefinedBehaviorSanitizer and runs every test there.

BUILD_DIR ?= build
RUN_DIR   ?= run
JOBS      ?= $(shell nproc)
BUILD     := $(abspath $(BUILD_DIR))
FUZZ_DIR  ?= build-fuzz
FUZZ_SECONDS ?= 30
SANITIZE_DIR ?= build-sanitize
MAKEFLAGS += --no-print-directory
# Every build compiles through ccache (installed by scripts/install-deps.sh):
# the sanitizer and fuzzing builds share nothing with the normal one, but a
# second run of any of them compiles only what changed.
LAUNCHER  := -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache

.PHONY: all deps configure build run test bench package check-package fuzz fuzz-build clean test-sanitize

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# The planner runs in RUN_DIR (make run RUN_DIR=~/vantrel for a folder of
# your own), where Vantrel.dat, Vanset.ini and Vantrel.chm live; the first
# run writes a Vanset.ini that opens the window at its design size, as a start
# from the desktop menu does. Without a display the planning table for today
# is printed instead.
run: build
	@mkdir -p $(RUN_DIR)
	@if [ -f $(BUILD)/Vantrel.chm ]; then cp -f $(BUILD)/Vantrel.chm $(RUN_DIR)/; fi
	@echo "No dish? A night on the simulated telescope: $(BUILD)/vantrel-observe SCHEDULE --simulated (README: A night by itself)."
	@cd $(RUN_DIR) && if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		$(BUILD)/vantrel --data-home=.; \
	else \
		echo "No display found: the planning table for today (vantrel-table --help for more)."; \
		if [ -f Vantrel.dat ]; then $(BUILD)/vantrel-table --format text; \
		else $(BUILD)/vantrel-table --format text --interval 60; fi; \
	fi

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE bench

# The first report of either sanitizer ends the test that made it. Leaks are
# looked for too: Qt, fontconfig and chmlib leave none behind at the exit of
# our tests; the one suppression (scripts/lsan-suppressions.txt) is Hamlib's
# own loss inside rig_open when a network rig is opened again.
SANITIZE_ENV := \
	QT_QPA_PLATFORM=offscreen \
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(abspath scripts/lsan-suppressions.txt) \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCH=OFF \
		$(LAUNCHER) >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	@cd $(SANITIZE_DIR) && $(SANITIZE_ENV) ctest --output-on-failure -j $(JOBS) -LE bench

bench: build
	@cd $(BUILD_DIR) && for b in ./vantrel-bench-*; do $$b; done

# The Debian package build/vantrel_<version>_amd64.deb (CPack), from the
# programs of the normal build.
package: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target vantrel-package-contents
	@cd $(BUILD_DIR) && cpack -G DEB

# Builds the package and checks it as a user would meet it: its layout, its
# programs run from an unpacked tree, the first start from the menu, lintian.
check-package: package
	@cmake --build $(BUILD_DIR) --target vantrel-save-station
	@bash scripts/check-package.sh $(BUILD_DIR)

# Every fuzz target for FUZZ_SECONDS seconds, one after another (make fuzz
# FUZZ_SECONDS=600 for a longer run), in a clang build of its own in FUZZ_DIR.
fuzz-build: deps
	@cmake -S . -B $(FUZZ_DIR) -DVANTREL_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) \
		-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz-all

fuzz: fuzz-build
	@fuzz/run-fuzz.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

clean:
	@rm -rf $(BUILD_DIR) $(FUZZ_DIR) $(SANITIZE_DIR)
