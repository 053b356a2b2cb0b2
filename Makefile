# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# Lets checkouts in other folders share compiled objects.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

# Sanitizer and fuzzing builds live in folders of their own.
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# Leaks that the web engine and fontconfig keep for the process's life are theirs (lsan.supp).
# The web engine frees some of its objects through a base of another size, which AddressSanitizer
# reports as a new/delete size mismatch and cannot suppress by library, so that one check is off.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:new_delete_type_mismatch=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build run test test-asan fuzz bench package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run-demo $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Timings against their baselines, on generated inputs (BENCH_SCALE=0.25 for a quicker run,
# BENCH_RUNS=N, BENCH_ONLY=load,dump,decode,editor,export,startup). Not part of `make test`.
bench: build
	@python3 benchmarks/run_bench.py $(BUILD)

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DBOLTO_SANITIZE=ON >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

# Each fuzzer for FUZZ_SECONDS, starting from the committed corpus; what it finds new is kept in
# $(FUZZ_BUILD)/corpus, and a crashing input is written to the current folder.
fuzz: deps
	@command -v clang++ >/dev/null || { echo "make fuzz needs clang++ (scripts/install-deps)"; exit 1; }
	@cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) \
		-DCMAKE_CXX_COMPILER=clang++ -DBOLTO_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@for h in loader roundtrip pack; do \
		mkdir -p $(FUZZ_BUILD)/corpus/$$h && \
		$(FUZZ_BUILD)/fuzz/fuzz_$$h -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
			-rss_limit_mb=2048 -print_final_stats=1 \
			$(FUZZ_BUILD)/corpus/$$h fuzz/corpus/$$h || exit 1; \
	done

# A Debian package of the program and its lessons: build/bolto_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
