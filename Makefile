# The two commands a newcomer needs: `make demo` and `make test`. Both install
# what is missing first (Debian 12, as root or with sudo).
SHELL := /bin/bash
JOBS ?= $(shell nproc)
RUN_WINE := tools/run-wine.sh

.PHONY: all deps build native win32 asan test test-native test-asan test-dll demo bench clean

all: build

deps:
	@tools/install-deps.sh

native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

win32: deps
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

build: native win32

test-native: native
	ctest --test-dir build/native --output-on-failure -j $(JOBS)

test-asan: asan
	ctest --test-dir build/asan --output-on-failure -j $(JOBS)

test-dll: win32
	$(RUN_WINE) ctest --test-dir build/win32 --output-on-failure

test: test-native test-asan test-dll

demo: win32
	@cd build/win32 && ../../$(RUN_WINE) wine demo/velmora_demo.exe $(DEMO_ARGS)

bench: native
	build/native/bench/render_bench

clean:
	rm -rf build
