# The two commands of the README:
#   make run   installs what is missing, builds, and starts the show in game/
#   make test  installs what is missing, builds, runs every test (under Xvfb
#              when there is no display), then runs the whole suite again in
#              an AddressSanitizer + UndefinedBehaviorSanitizer build.

BUILD_DIR ?= build
ASAN_DIR ?= build-asan
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build build-asan run test test-fast test-asan coverage bench fuzz clean install package

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_WERROR=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DKELVO_SANITIZE=ON -DKELVO_WERROR=ON >/dev/null
	@cmake --build $(ASAN_DIR) -j $(JOBS)

run: build
	@scripts/run-show.sh $(BUILD_DIR)

test: build build-asan
	@scripts/run-tests.sh $(BUILD_DIR)
	@scripts/run-tests.sh $(ASAN_DIR)

# The plain build's suite only.
test-fast: build
	@scripts/run-tests.sh $(BUILD_DIR)

test-asan: build-asan
	@scripts/run-tests.sh $(ASAN_DIR)

# Line coverage of src/: a Debug build with gcov instrumentation runs the
# whole suite, then gcovr prints the summary (and writes COV_DIR/coverage.txt).
COV_DIR ?= build-cov
coverage: deps
	@cmake -S . -B $(COV_DIR) -DCMAKE_BUILD_TYPE=Debug -DKELVO_COVERAGE=ON -DKELVO_WERROR=ON >/dev/null
	@cmake --build $(COV_DIR) -j $(JOBS)
	@find $(COV_DIR) -name '*.gcda' -delete
	@scripts/run-tests.sh $(COV_DIR) || true
	@gcovr --root . --filter '$(CURDIR)/src/' --object-directory $(COV_DIR) \
	  --gcov-ignore-parse-errors -j $(JOBS) -o $(COV_DIR)/coverage.txt --print-summary

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKELVO_BUILD_BENCH=ON -DKELVO_BUILD_TESTS=OFF >/dev/null
	@cmake --build build-bench -j $(JOBS)

# libFuzzer targets for every reader (clang), each run FUZZ_SECONDS over its
# seed corpus in fuzz/corpus/. Not part of `make test`.
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 30
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_BUILD_FUZZ=ON -DKELVO_BUILD_TESTS=OFF -DKELVO_WERROR=ON >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz-targets
	@fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# Installs the programs, the show's files, the examples and the manual
# pages under PREFIX (staged under DESTDIR when it is set, as packagers do).
PREFIX ?= /usr/local
install: build
	@DESTDIR='$(DESTDIR)' cmake --install $(BUILD_DIR) --prefix '$(PREFIX)'

# The Debian package kelvo-viewer_VERSION_ARCH.deb in BUILD_DIR; it installs
# to /usr. Only what it holds is built, not the test suite.
package: deps
	@cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVO_WERROR=ON >/dev/null
	@cmake --build $(BUILD_DIR) -j $(JOBS) --target kelvo-installed
	@cd $(BUILD_DIR) && cpack -G DEB

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(COV_DIR) build-bench
