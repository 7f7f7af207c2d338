# railfmt: the two set-up commands are `make demo` and `make test`.
# Both install missing Debian packages (as root) and drive the CMake presets.

JOBS ?= 2
FUZZ_SECONDS ?= 30
SETUP := tools/setup-deps.sh

.PHONY: all build demo test test-asan test-tsan test-windows bench fuzz coverage clean install

all: build

build:
	@$(SETUP) build test cli bench
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

demo: build
	@tools/demo.sh

test: build
	@ctest --preset default

test-asan:
	@$(SETUP) build test
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan

test-tsan:
	@$(SETUP) build test
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS)
	@ctest --preset tsan

test-windows:
	@$(SETUP) build windows
	@tools/test-windows.sh

bench: build
	@tools/bench.sh

fuzz:
	@$(SETUP) build fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target fuzz/all
	@FUZZ_SECONDS=$(FUZZ_SECONDS) tools/fuzz.sh

coverage:
	@$(SETUP) build test coverage
	@cmake --preset coverage >/dev/null
	@cmake --build --preset coverage -j $(JOBS)
	@ctest --preset coverage >/dev/null || true
	@tools/coverage.sh

clean:
	rm -rf build build-asan build-tsan build-coverage build-fuzz build-win32 build-win64
