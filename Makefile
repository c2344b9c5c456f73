# The two commands of the README: `make run` and `make test`.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build run demo test package bench clean

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

# The Debian package, in $(BUILD_DIR).
package: build
	@cd $(BUILD_DIR) && cpack

# The benchmark against OpenSSH's sshd (root: it adds a temporary account);
# not part of `make test`.
bench: build
	@cmake -S bench -B $(BUILD_DIR)/bench -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD_DIR)/bench -j $(JOBS)
	@./bench/run-bench.sh $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
