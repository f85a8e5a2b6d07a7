# The two commands a newcomer needs: `make demo` and `make test`. Both install
# what is missing first (Debian 12, as root or with sudo).
SHELL := /bin/bash
JOBS ?= $(shell nproc)
RUN_WINE := tools/run-wine.sh

.PHONY: all deps build native win32 win64 linux asan fuzz-build fuzz fuzz-short test test-native test-asan \
	test-dll test-dll64 test-linux demo demo-linux dist bench clean web test-web demo-web bench-web

all: build

deps:
	@tools/install-deps.sh

# CI sets WERROR=ON: our own code then builds with warnings as errors.
WERROR ?= OFF
configure = cmake --preset $(1) -DVL_WERROR=$(WERROR) >/dev/null
compile = cmake --build --preset $(1) -j $(JOBS)

native win32 win64 linux asan: deps
	@$(call configure,$@)
	@$(call compile,$@)

fuzz-build: deps
	@$(call configure,fuzz)
	@$(call compile,fuzz)

build: native win32 win64 linux web

# The browser module, build/web/velmora.js and velmora.wasm, with Debian's
# emscripten; its preset finds Debian's acorn for emscripten's optimiser.
web: deps
	@$(call configure,web)
	@$(call compile,web)

# The core's own tests and the fuzzers pass made-up window ids: without a
# display the library presents nowhere, whatever the user's session has open.
NO_DISPLAY := env -u DISPLAY

test-native: native
	$(NO_DISPLAY) ctest --test-dir build/native --output-on-failure -j $(JOBS)

test-asan: asan
	$(NO_DISPLAY) ctest --test-dir build/asan --output-on-failure -j $(JOBS)

# The 32-bit DLL's host tests need a machine that runs 32-bit programs; on
# one whose kernel has that turned off only the static checks of the DLL run.
test-dll: win32
	@if tools/runs-32bit.sh; then \
	  $(RUN_WINE) ctest --test-dir build/win32 --output-on-failure; \
	else \
	  echo "SKIPPED: this machine cannot run 32-bit programs, so the 32-bit DLL's host tests under wine do not run;"; \
	  echo "SKIPPED: the 64-bit DLL's run from the same sources, and the 32-bit DLL's tables are checked statically."; \
	  ctest --test-dir build/win32 --output-on-failure -L static; \
	fi

test-dll64: win64
	VL_WINE_ARCH=win64 $(RUN_WINE) ctest --test-dir build/win64 --output-on-failure

test-linux: linux
	tools/run-x11.sh ctest --test-dir build/linux --output-on-failure

# The browser module in headless Chromium: the golden scenes, recorded by the
# native build, on a canvas, the module's text, files and errors, and the
# demo's tour against the native replay.
test-web: native web
	ctest --test-dir build/web --output-on-failure
	@grep -h "^web: " build/web/Testing/Temporary/LastTest.log

test: test-native test-asan test-dll test-dll64 test-linux test-web fuzz-short

# Fuzzing: each target runs a fixed number of inputs (per job) from the seeds
# in fuzz/corpus, growing its own corpus under build/fuzz/corpus.
FUZZ := build/fuzz/fuzz
FUZZ_BMP_RUNS ?= 5000000
FUZZ_PNG_RUNS ?= 2000000
FUZZ_EXPORT_RUNS ?= 500000
FUZZ_MAP_RUNS ?= 2000000
SOAK_CALLS ?= 1000000
# The PNG decoder's allocations are capped by the image its header claims,
# which the fuzz build keeps under 2 MB: any one block past 64 MB is a fault.
PNG_FUZZ_LIMITS := -malloc_limit_mb=64 -timeout=10
define run-fuzzer
	@mkdir -p build/fuzz/corpus/$(2) build/fuzz/work-$(2)
	@cd build/fuzz/work-$(2) && rm -f fuzz-*.log crash-* leak-* timeout-* oom-* && \
	  $(NO_DISPLAY) ../fuzz/$(1) -runs=$(3) $(4) ../corpus/$(2) ../../../fuzz/corpus/$(2) > run.log 2>&1; status=$$?; \
	  cat run.log fuzz-*.log 2>/dev/null | grep -E "^Done|number_of_executed_units|ERROR|SUMMARY" | sed 's/^/$(1): /'; \
	  if [ $$status -ne 0 ] || ls crash-* leak-* timeout-* oom-* >/dev/null 2>&1; then \
	    echo "$(1): fuzzing found a problem; inputs and logs in build/fuzz/work-$(2)"; exit 1; fi
endef

fuzz: fuzz-build
	$(call run-fuzzer,bmp_fuzz,bmp,$(FUZZ_BMP_RUNS),-jobs=2 -workers=2 -print_final_stats=1)
	$(call run-fuzzer,png_fuzz,png,$(FUZZ_PNG_RUNS),-jobs=2 -workers=2 -print_final_stats=1 $(PNG_FUZZ_LIMITS))
	$(call run-fuzzer,exports_fuzz,exports,$(FUZZ_EXPORT_RUNS),-jobs=2 -workers=2 -print_final_stats=1)
	$(call run-fuzzer,map_fuzz,map,$(FUZZ_MAP_RUNS),)
	$(NO_DISPLAY) $(FUZZ)/soak $(SOAK_CALLS)

# A short, bounded run of every fuzz target for CI (well under a minute).
fuzz-short: fuzz-build
	$(call run-fuzzer,bmp_fuzz,bmp,15000,-seed=1)
	$(call run-fuzzer,png_fuzz,png,100000,-seed=1 $(PNG_FUZZ_LIMITS))
	$(call run-fuzzer,exports_fuzz,exports,3000,-seed=1)
	$(call run-fuzzer,map_fuzz,map,50000,-seed=1)
	$(NO_DISPLAY) $(FUZZ)/soak $(SOAK_CALLS)

# With a display: the demo window. Without one: a scripted walk in a virtual
# display, with screenshots of both modes under build/demo/.
demo: win32 win64
	@demo/run-demo.sh $(DEMO_ARGS)

# The Linux build of the demo, natively in an X11 window (or in a virtual
# display, writing build/demo/linux-*.png, without one).
demo-linux: linux
	@VL_DEMO_TARGET=linux demo/run-demo.sh $(DEMO_ARGS)

# The demo in the browser: with a display, served on 127.0.0.1 for a browser
# to open; without one, headless Chromium walks the tour and takes a
# screenshot into build/demo/web.png.
DEMO_WEB_PORT ?= 8000
demo-web: web
	@if [ -n "$$DISPLAY" ]; then \
	  echo "Velmora demo in the browser: open http://127.0.0.1:$(DEMO_WEB_PORT)/ (Ctrl+C stops the server)"; \
	  python3 -m http.server --bind 127.0.0.1 --directory build/web/demo $(DEMO_WEB_PORT); \
	else \
	  echo "No display: headless Chromium walks the sample world for 690 frames."; \
	  python3 web/run_page.py build/web/demo/index.html --walk --frames 690 --screenshot build/demo/web.png; \
	fi

# The release packages, one per target: the library, its header, the API
# reference, the demo with its sample world and the Python example.
dist: build
	@tools/make-dist.sh

# The renderer against the reference renderer, natively (Google Benchmark)
# and through each DLL under wine, presentation into X11 windows through the
# Linux library, then one table with the ratios and the goals.
bench: native win32 win64 linux
	@mkdir -p build/bench
	build/native/bench/render_bench | tee build/bench/native.txt
	@if tools/runs-32bit.sh; then \
	  cd build/win32 && ../../$(RUN_WINE) wine dll_bench.exe | tee ../bench/win32.txt; \
	else \
	  echo "SKIPPED: this machine cannot run 32-bit programs; no figures for the 32-bit DLL" | tee build/bench/win32.txt; \
	fi
	cd build/win64 && VL_WINE_ARCH=win64 ../../$(RUN_WINE) wine dll_bench.exe | tee ../bench/win64.txt
	build/linux/bench/x11_bench | tee build/bench/linux.txt
	@echo && bench/report.sh build/bench/native.txt build/bench/win32.txt build/bench/win64.txt build/bench/linux.txt

# The browser module in headless Chromium: the textured 512 x 384 frame with
# 64 sprites and vlDrawScreen, beside the native build's times for the same
# frames through its exports, measured just before.
bench-web: native web
	@build/native/tests/web/web_scenes bench build/web/tests/web
	@python3 web/run_page.py --root build/web build/web/tests/web/bench.html

clean:
	rm -rf build
