# Front door: every target installs what is missing, then builds with CMake.
JOBS   ?= $(shell nproc)
PREFIX ?= /usr/local
RELEASE_DIR := build
ASAN_DIR    := build-asan

.PHONY: all deps release sanitize test test-release test-sanitize demo bench install format clean

all: release

deps:
	@scripts/install-deps.sh

release: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)

sanitize: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLORVEX_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)

test-release: release
	@cd $(RELEASE_DIR) && ctest --output-on-failure -j $(JOBS)

test-sanitize: sanitize
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The whole test suite, once in the optimised build and once under ASan + UBSan.
test: test-release test-sanitize

demo: release
	@scripts/demo.sh $(RELEASE_DIR)

bench: release
	@if [ -x bench/run.sh ]; then bench/run.sh $(RELEASE_DIR); else echo "no benchmarks yet"; fi

install: release
	@cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(RELEASE_DIR) $(ASAN_DIR)
