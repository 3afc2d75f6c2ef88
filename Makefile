# Set-up, build, tests and the program on a Debian 12 machine.
BUILD ?= build
JOBS  ?= $(shell nproc)

.PHONY: all deps configure build test run clean

all: build

deps:
	@bash scripts/deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

run: build
	@bash scripts/prepare-workdir.sh $(BUILD)/bin
	@$(BUILD)/bin/velt

clean:
	@rm -rf $(BUILD)
