# make test   installs what is missing, builds every preset and runs every test.
# make run    builds the package, unpacks it under build/ and starts the daemon under Wine.
# make dist   builds dist/korvane-<version>-win64.zip and dist/korvane-<version>-setup.exe.
# make fuzz   runs each fuzz target for FUZZ_SECONDS seconds (default 60).

.PHONY: all deps build native win64 fuzz-build test test-native test-win64 fuzz dist run demo bench clean

all: build

deps:
	@tools/install-deps

build: native win64

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native

win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64

# The fuzz targets' host build (clang with libFuzzer and sanitizers).
fuzz-build: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz

test: build fuzz-build
	ctest --preset native
	ctest --preset fuzz
	ctest --preset win64

test-native: native
	ctest --preset native

test-win64: win64
	ctest --preset win64

FUZZ_SECONDS ?= 60
fuzz: fuzz-build
	tools/run-fuzz $(FUZZ_SECONDS)

dist: win64
	tools/make-dist

run: dist
	tools/run

# The former name of make run.
demo: run

bench: win64
	tools/run-bench

clean:
	tools/wine-run --root build/win64/wine --cleanup 2>/dev/null || true
	tools/wine-run --root build/win64/run-wine --cleanup 2>/dev/null || true
	tools/wine-run --root build/win64/bench-wine --cleanup 2>/dev/null || true
	rm -rf build dist
