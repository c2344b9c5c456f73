# The two commands of the README: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run demo test bench-parser clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

demo:
	@./scripts/make-demo.sh demo

# Runs the agent in the foreground on the demo configuration; Ctrl-C stops it.
run: build demo
	@echo "quor2 listens on port 20012. In another terminal try:"
	@echo "  $(BUILD_DIR)/quor2-client --user demo --password-file demo/password list"
	@./$(BUILD_DIR)/quor2 demo/quor.ini

test: build
	@cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The record parser against the regular expression it replaced.
bench-parser: build
	@cmake --build $(BUILD_DIR) --target record_parser_bench -j $(JOBS)
	@./$(BUILD_DIR)/bench/record_parser_bench

clean:
	rm -rf $(BUILD_DIR)
