# The README's commands. Each installs what it needs first.
JOBS ?= $(shell nproc)
CMAKE_COMMON = -G Ninja -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

.PHONY: deps run build test test-tsan bench fuzz fuzz-smoke fuzz-long conformance gallery screenshots install package package-test clean
FUZZ_SECONDS ?= 15
# Minutes per target of make fuzz-long (two targets at a time, at low priority).
FUZZ_MINUTES ?= 10
# Seconds the test command lets the conformance run start new files.
CONFORMANCE_BUDGET ?= 240

deps:
	bash scripts/install-deps.sh

# Optimised build of the program.
build: deps
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DGB_BUILD_TESTS=OFF
	cmake --build build/release -j $(JOBS)

run: build
	bash scripts/run.sh build/release $(ARGS)

# Test configuration: AddressSanitizer and UndefinedBehaviorSanitizer.
# The conformance run is one of the ctest tests; the fuzz smoke run follows.
test: deps
	cmake -S . -B build/test $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DGB_SANITIZE=ON -DGB_BUILD_TESTS=ON -DGB_WERROR=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build build/test -j $(JOBS)
	cd build/test && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 GB_CONFORMANCE_BUDGET=$(CONFORMANCE_BUDGET) \
	  ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)
	$(MAKE) fuzz-smoke

# The camera's streaming thread under ThreadSanitizer: the programs whose
# tests carry the label "tsan" (they need no other part of the tree).
test-tsan: deps
	cmake -S . -B build/tsan $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DGB_TSAN=ON -DGB_BUILD_TESTS=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build build/tsan -j $(JOBS) --target test_camera_stream
	cd build/tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure -L tsan $(CTEST_ARGS)

# Every picture of the shared test data decoded by Glimmerbox and by reference
# decoders, compared pixel by pixel; no time budget. CONFORMANCE_ARGS passes
# options on (e.g. "--only bmp --verbose").
conformance: deps
	cmake -S . -B build/test $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DGB_SANITIZE=ON -DGB_BUILD_TESTS=ON -DGB_WERROR=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build build/test -j $(JOBS) --target glimmerbox-cli
	QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  /usr/bin/python3 tests/conformance/conformance.py --cli build/test/tools/glimmerbox-cli $(CONFORMANCE_ARGS)

bench:
	bash scripts/install-deps.sh --bench
	cmake -S . -B build/bench $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DGB_BUILD_TESTS=OFF -DGB_BUILD_BENCH=ON
	cmake --build build/bench -j $(JOBS)
	@if [ -x bench/run.sh ]; then bash bench/run.sh build/bench; else echo "no benchmarks yet"; fi

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build/fuzz $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Debug -DGB_BUILD_TESTS=OFF -DGB_BUILD_FUZZ=ON \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g"
	cmake --build build/fuzz -j $(JOBS) --target fuzz_all

# Each fuzz target for a short time on its seeds; part of the test command.
fuzz-smoke: fuzz
	bash scripts/fuzz-smoke.sh build/fuzz $(FUZZ_SECONDS)

# Long fuzzing with a corpus kept in build/fuzz/corpus; summary in build/fuzz/campaign.md.
fuzz-long: fuzz
	JOBS=2 NICE=19 bash scripts/fuzz-campaign.sh build/fuzz $$(( $(FUZZ_MINUTES) * 60 )) $(FUZZ_TARGETS)

# The skinned control kit on screen; screenshots of it and of the main window without a display.
gallery: deps
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DGB_BUILD_TESTS=OFF
	cmake --build build/release --target glimmerbox-gallery -j $(JOBS)
	build/release/skin/gallery/glimmerbox-gallery

# Every window's screenshots, made off-screen in a private home with the starter
# templates into build/screenshots; the user guide's ones go to docs/screenshots.
screenshots: deps
	cmake -S . -B build/release $(CMAKE_COMMON) -DCMAKE_BUILD_TYPE=Release -DGB_BUILD_TESTS=OFF
	cmake --build build/release --target glimmerbox-gallery glimmerbox glimmerbox-cli -j $(JOBS)
	bash scripts/screenshots.sh build/release build/screenshots

# Installs the optimised build under PREFIX (default /usr/local); DESTDIR works as usual.
PREFIX ?= /usr/local
install: build
	cmake --install build/release --prefix $(PREFIX)

# The Debian package of the optimised build (installed under /usr), then the
# installation test on the package unpacked into a scratch root.
package: build
	cd build/release && cpack -G DEB
	bash scripts/test-install.sh --deb build/release/glimmerbox_*.deb
	@ls -l build/release/glimmerbox_*.deb

package-test: package

clean:
	rm -rf build
