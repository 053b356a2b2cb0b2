# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
# Lets checkouts in other folders share compiled objects.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all deps configure build run test bench package clean

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
# BENCH_RUNS=N, BENCH_ONLY=load,dump,decode,editor). Not part of `make test`.
bench: build
	@python3 benchmarks/run_bench.py $(BUILD)

# A Debian package of the program and its lessons: build/bolto_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
