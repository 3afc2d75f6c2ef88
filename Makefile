# Set-up, build, tests and the program on a Debian 12 machine.
BUILD ?= build
JOBS  ?= $(shell nproc)
SAN_ENV = QT_QPA_PLATFORM=offscreen \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=0 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  TSAN_OPTIONS=suppressions=$(CURDIR)/scripts/tsan.supp:halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:ignore_noninstrumented_modules=1

.PHONY: all deps configure build test run clean check-asan check-tsan

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

# The whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, and under ThreadSanitizer, each in its own
# build folder; any report fails the test that caused it.
check-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELT_SANITIZE=address >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && $(SAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 1200

check-tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELT_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j $(JOBS)
	@cd build-tsan && $(SAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 1200

clean:
	@rm -rf $(BUILD) build-asan build-tsan
