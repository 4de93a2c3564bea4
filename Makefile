# Vantrel: `make run` starts the planner, `make test` runs every test headless.
# Both install what is missing, then configure and build in build/.

BUILD_DIR ?= build
RUN_DIR   ?= run
JOBS      ?= $(shell nproc)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@mkdir -p $(RUN_DIR)
	@cd $(RUN_DIR) && ../$(BUILD_DIR)/vantrel-now

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE bench

bench: build
	@cd $(BUILD_DIR) && for b in ./vantrel-bench-*; do $$b; done

clean:
	@rm -rf $(BUILD_DIR)
