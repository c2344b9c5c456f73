# The two commands of the README: `make run` and `make test`.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
COVERAGE_DIR ?= build-coverage
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# Seconds of fuzzing per fuzz target in `make test`.
FUZZ_SECONDS ?= 5

CLANG = -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
# Rebuilds in several checkouts share ccache's cache where it is installed.
CCACHE := $(shell command -v ccache 2>/dev/null)
LAUNCHER = $(if $(CCACHE),-DCMAKE_C_COMPILER_LAUNCHER=$(CCACHE) -DCMAKE_CXX_COMPILER_LAUNCHER=$(CCACHE))
# ThreadSanitizer of clang 14 cannot place its shadow memory under the wider
# address randomisation of newer kernels (vm.mmap_rnd_bits above 28); there
# its stage runs without randomisation.
TSAN_RUN = $(shell [ "$$(cat /proc/sys/vm/mmap_rnd_bits 2>/dev/null || echo 0)" -gt 28 ] \
             && echo "setarch $$(uname -m) -R")

.PHONY: all deps build build-asan build-tsan run demo test test-unit test-asan test-tsan \
        test-fuzz test-size coverage package bench bench-checks bench-build bench-parser \
        interop clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Everything with AddressSanitizer and UndefinedBehaviorSanitizer, and the
# fuzz targets.
build-asan: deps
	@cmake -S . -B $(ASAN_DIR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CLANG) \
	  -DQUOR2_SANITIZE=address -DQUOR2_FUZZ=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)

# The threaded tests (CTest label "threads") and the agent, with ThreadSanitizer.
build-tsan: deps
	@cmake -S . -B $(TSAN_DIR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CLANG) \
	  -DQUOR2_SANITIZE=thread >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS)

demo:
	@./scripts/make-demo.sh demo

# Runs the agent in the foreground on the demo configuration; Ctrl-C stops it.
run: build demo
	@echo "quor2 listens on port 20012. In another terminal try:"
	@echo "  $(BUILD_DIR)/quor2-client --user demo --password-file demo/password list"
	@./$(BUILD_DIR)/quor2 demo/quor.ini

# Every stage in turn, each timed; the first failure ends the run.
test:
	@for stage in test-unit test-asan test-tsan test-fuzz; do \
	  start=$$(date +%s); \
	  $(MAKE) --no-print-directory $$stage || exit 1; \
	  echo "== $$stage passed in $$(( $$(date +%s) - start )) s"; \
	done
	@./scripts/test-size.sh || echo "(make test-size fails on this figure)"

# The size of the tests against the sources; fails above 40 %.
test-size:
	@./scripts/test-size.sh

test-unit: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The soak test's minute of load runs in the plain build only.
test-asan: build-asan
	@cd $(ASAN_DIR) && ctest --output-on-failure -j $(JOBS) -LE soak

test-tsan: build-tsan
	@cd $(TSAN_DIR) && $(TSAN_RUN) ctest --output-on-failure -j $(JOBS) -LE soak

test-fuzz: build-asan
	@./scripts/run-fuzzers.sh $(ASAN_DIR) $(FUZZ_SECONDS)

# Line and branch coverage of src/ by the plain suite (the soak aside).
coverage: deps
	@cmake -S . -B $(COVERAGE_DIR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DQUOR2_COVERAGE=ON >/dev/null
	@cmake --build $(COVERAGE_DIR) -j $(JOBS)
	@find $(COVERAGE_DIR) -name '*.gcda' -delete
	@cd $(COVERAGE_DIR) && ctest -j $(JOBS) -LE soak || true
	@gcovr -r . --filter src/ --gcov-ignore-parse-errors --exclude-unreachable-branches --exclude-throw-branches \
	  --print-summary --html-details $(COVERAGE_DIR)/coverage.html $(COVERAGE_DIR) | tail -n 3

# The record parser against the regular expression it replaced.
bench-parser: build
	@cmake --build $(BUILD_DIR) --target record_parser_bench -j $(JOBS)
	@./$(BUILD_DIR)/bench-parser/record_parser_bench

# The Debian package, in $(BUILD_DIR).
package: build
	@cd $(BUILD_DIR) && cpack

# The benchmark against OpenSSH's sshd (root: it adds a temporary account),
# then the table of the host checks; not part of `make test`.
bench: bench-build
	@./bench/run-bench.sh $(BUILD_DIR)

# The table of the host checks alone (no root; about a minute).
bench-checks: bench-build
	@./bench/run-check-bench.sh $(BUILD_DIR)

bench-build: build
	@cmake -S bench -B $(BUILD_DIR)/bench $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR)/bench -j $(JOBS)

# Other SSH implementations' clients against the agent on loopback (see
# interop/run-interop.py); not part of `make test`.
interop: deps
	@./scripts/install-interop-deps.sh
	@cmake -S . -B $(BUILD_DIR) $(LAUNCHER) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target quor2
	@/usr/bin/python3 interop/run-interop.py --agent $(BUILD_DIR)/quor2 --work $(BUILD_DIR)/interop

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(TSAN_DIR) $(COVERAGE_DIR)
