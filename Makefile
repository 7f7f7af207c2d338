# railfmt: the two set-up commands are `make demo` and `make test`.
# Both install missing Debian packages (as root) and drive the CMake presets.

JOBS ?= 2
MUTANTS ?= 200
SEED ?= 1
FUZZ_SECONDS ?= 30
SETUP := tools/setup-deps.sh
PREFIX ?= $(HOME)/.local

.PHONY: all build demo test test-asan test-tsan test-windows bench fuzz coverage mutate clean install install-local

all: build

build:
	@$(SETUP) build test cli bench
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

demo: build
	@tools/demo.sh

test: build
	@ctest --preset default

# The tool, the library, its header, pkg-config and CMake files under PREFIX
# (default ~/.local); the tool finds the library through its run path.
install-local: build
	@cmake --install build --prefix "$(PREFIX)" >/dev/null
	@echo "installed under $(PREFIX): bin/railfmt, lib/librailfmt.so*, include/railfmt/railfmt.h, lib/pkgconfig/railfmt.pc"
	@case ":$$PATH:" in *":$(PREFIX)/bin:"*) echo "$(PREFIX)/bin is on your PATH: run railfmt" ;; \
	  *) echo "put it on your PATH: export PATH=\"$(PREFIX)/bin:\$$PATH\" (add the line to ~/.profile to keep it)" ;; esac

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
	@find build-coverage -name '*.gcda' -delete  # counts of this run only
	@ctest --preset coverage >/dev/null || true
	@tools/coverage.sh

# Mutation testing of src/ against the unit tests (tools/mutate.py).
mutate:
	@$(SETUP) build test
	@python3 tools/mutate.py --mutants $(MUTANTS) --seed $(SEED) --jobs $(JOBS)

clean:
	rm -rf build build-asan build-tsan build-coverage build-fuzz build-mutate build-win32 build-win64
