# make test   installs what is missing, builds both presets and runs every test.
# make run    builds the package, unpacks it under build/ and starts the daemon under Wine.
# make dist   builds dist/korvane-<version>-win64.zip and dist/korvane-<version>-setup.exe.

.PHONY: all deps build native win64 test test-native test-win64 dist run demo bench clean

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

test: build
	ctest --preset native
	ctest --preset win64

test-native: native
	ctest --preset native

test-win64: win64
	ctest --preset win64

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
