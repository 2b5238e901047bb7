# Front door: every target first installs the Debian packages it needs where
# it can (root or sudo; otherwise it names what is missing and goes on), then
# builds with CMake.
JOBS   ?= $(shell nproc)
PREFIX ?= /usr/local
DESTDIR ?=
# Extra CMake settings for the release build, e.g. CMAKE_ARGS=-DLORVEX_IO_URING=OFF.
CMAKE_ARGS ?=
RELEASE_DIR := build
ASAN_DIR    := build-asan
FUZZ_DIR    := build-fuzz
DEB_DIR     := build-deb
# The five programs: what `make demo` builds and runs, and what `make install` installs.
PROGRAMS      := lorvex lorvex-strict lorvex-prep lorvex-extend lorvex-close
DEMO_OUTPUT   := demo-output
# Seconds per fuzz target: FUZZ_SECONDS for `make fuzz`, the short run of `make test`.
FUZZ_SECONDS      ?= 60
FUZZ_TEST_SECONDS ?= 5

# Builds a target list quietly: the build's own output is shown only when it fails.
quiet_build = log=$$(mktemp) && \
    if cmake --build $(1) -j $(JOBS) --target $(2) >"$$log" 2>&1; \
    then rm -f "$$log"; else cat "$$log"; rm -f "$$log"; exit 1; fi

.PHONY: all release sanitize test test-release test-sanitize test-fuzz fuzz demo bench \
        install check-install deb check-deb format clean

all: release

release:
	@scripts/install-deps.sh build
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)

# The tests are built even where `make release` left them out.
test-release:
	@scripts/install-deps.sh test
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DLORVEX_TESTS=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)
	@cd $(RELEASE_DIR) && ctest --output-on-failure -j $(JOBS)

sanitize:
	@scripts/install-deps.sh test
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DLORVEX_SANITIZE=ON -DLORVEX_TESTS=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)

test-sanitize: sanitize
	@cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# A short run of every fuzz target (clang, ASan + UBSan) over its corpus.
test-fuzz:
	@scripts/install-deps.sh test
	@FUZZ_BUILD_DIR=$(FUZZ_DIR) JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_TEST_SECONDS)

# The whole test suite, once in the optimised build and once under ASan + UBSan,
# then the short fuzz runs.
test: test-release test-sanitize test-fuzz

# Longer fuzzing campaigns: every target for FUZZ_SECONDS.
fuzz:
	@scripts/install-deps.sh test
	@FUZZ_BUILD_DIR=$(FUZZ_DIR) JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_SECONDS)

# Builds only the five programs, quietly, then runs them on the example data.
demo:
	@scripts/install-deps.sh demo
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	@echo "building $(PROGRAMS) into $(RELEASE_DIR)/ (a minute or two the first time)"
	@$(call quiet_build,$(RELEASE_DIR),$(PROGRAMS))
	@scripts/demo.sh $(RELEASE_DIR) $(DEMO_OUTPUT)

bench:
	@scripts/install-deps.sh bench
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DLORVEX_BENCHMARKS=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)
	@bench/run.sh $(RELEASE_DIR)

# Builds and installs what users run, and nothing else: the five programs,
# their man pages (where help2man is found), the workflow and the README,
# under $(DESTDIR)$(PREFIX).
# The man pages name the README and the workflow by their installed paths, so
# the prefix is set when the build is configured.
install:
	@scripts/install-deps.sh build
	@cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARGS) >/dev/null
	@$(call quiet_build,$(RELEASE_DIR),installable)
	@DESTDIR="$(DESTDIR)" scripts/install.sh $(RELEASE_DIR) "$(PREFIX)"

# A build and install as a user without root, GoogleTest or Google Benchmark,
# with CMake alone, into a scratch folder (a few minutes).
check-install:
	@scripts/check-install.sh

# The Debian package into $(DEB_DIR)/, checked by lintian.
deb:
	@scripts/install-deps.sh deb
	@scripts/build-deb.sh $(DEB_DIR)

# The package built, then installed into a scratch root and run from there.
check-deb: deb
	@scripts/check-deb.sh $(DEB_DIR)

format:
	@scripts/install-deps.sh format
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(RELEASE_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(DEB_DIR) build-plain $(DEMO_OUTPUT)
