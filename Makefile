# Two commands for a fresh Debian machine:
#   make run    installs what is missing, builds, starts the main program Zerlo
#   make test   installs what is missing, builds, runs every test
JOBS ?= $(shell nproc)

.PHONY: deps build run test asan-test asan-qt-test fuzz-test ci clean

deps:
	@bash scripts/install-deps

build: deps
	cmake --preset dev
	cmake --build --preset dev -j $(JOBS)

# Builds build/bin (Zerlo, the libraries it loads by name, the sample project)
# and starts Zerlo with the sample project open; without a display it runs
# offscreen, writes build/zerlo-run.png and ends.
run: build
	@bash scripts/run-main

test: build
	ctest --preset dev -j $(JOBS)

asan-test: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The drawing layer's Qt backend, the worksheet canvas, mdltool render, and
# Zerlo with what it loads driven by the acceptance and process tests, under
# the sanitizers (those targets only).
asan-qt-test: deps
	cmake --preset asan-qt
	cmake --build --preset asan-qt -j $(JOBS)
	ctest --preset asan-qt

fuzz-test: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzz_all
	ctest --preset fuzz

ci: test asan-test asan-qt-test fuzz-test

clean:
	rm -rf build build-release build-asan build-asan-qt build-fuzz
