# Front door: every target installs what is missing, then builds with CMake.
JOBS   ?= $(shell nproc)
PREFIX ?= /usr/local
RELEASE_DIR := build
ASAN_DIR    := build-asan
FUZZ_DIR    := build-fuzz
# The programs the demo runs, and all that `make demo` builds.
DEMO_PROGRAMS := lorvex lorvex-strict lorvex-prep lorvex-extend lorvex-close
DEMO_OUTPUT   := demo-output
# Seconds per fuzz target: FUZZ_SECONDS for `make fuzz`, the short run of `make test`.
FUZZ_SECONDS      ?= 60
FUZZ_TEST_SECONDS ?= 5

.PHONY: all deps configure-release release sanitize test test-release test-sanitize test-fuzz fuzz demo bench install format clean

all: release

deps:
	@scripts/install-deps.sh

configure-release: deps
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release >/dev/null

release: configure-release
	@cmake --build $(RELEASE_DIR) -j $(JOBS)

sanitize: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLORVEX_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)

test-release: release
	@cd $(RELEASE_DIR) && ctest --output-on-failure -j $(JOBS)

test-sanitize: sanitize
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# A short run of every fuzz target (clang, ASan + UBSan) over its corpus.
test-fuzz: deps
	@FUZZ_BUILD_DIR=$(FUZZ_DIR) JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_TEST_SECONDS)

# The whole test suite, once in the optimised build and once under ASan + UBSan,
# then the short fuzz runs.
test: test-release test-sanitize test-fuzz

# Longer fuzzing campaigns: every target for FUZZ_SECONDS.
fuzz: deps
	@FUZZ_BUILD_DIR=$(FUZZ_DIR) JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_SECONDS)

# Builds only the demo's programs, quietly: the build's own output is shown
# only when it fails.
demo: configure-release
	@echo "building $(DEMO_PROGRAMS) into $(RELEASE_DIR)/ (a minute or two the first time)"
	@log=$$(mktemp) && \
	    if cmake --build $(RELEASE_DIR) -j $(JOBS) --target $(DEMO_PROGRAMS) >"$$log" 2>&1; \
	    then rm -f "$$log"; else cat "$$log"; rm -f "$$log"; exit 1; fi
	@scripts/demo.sh $(RELEASE_DIR) $(DEMO_OUTPUT)

bench: release
	@if [ -x bench/run.sh ]; then bench/run.sh $(RELEASE_DIR); else echo "no benchmarks yet"; fi

install: release
	@cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(RELEASE_DIR) $(ASAN_DIR) $(FUZZ_DIR) build-plain $(DEMO_OUTPUT)
