# Two commands for a fresh Debian machine:
#   make run    installs what is missing, builds the program, starts the main program Zerlo
#   make test   installs what is missing, builds everything, runs every test
JOBS ?= $(shell nproc)
# Where `make run` installs the program directory (bin, LIB, PROJECT, TEMP,
# ...); empty: run/ beside build/. Its settings file's path must stay under
# 98 characters.
ZERLO_RUN_DIR ?=

.PHONY: deps configure build program run test asan-test asan-qt-test fuzz-test ci clean

deps:
	@bash scripts/install-deps

configure: deps
	cmake --preset dev

# Everything: the program, the tests and the benchmarks.
build: configure
	cmake --build --preset dev -j $(JOBS)

# Only the program directory: the programs, the libraries they load, the
# settings, help, templates and the sample project.
program: configure
	cmake --build --preset dev -j $(JOBS) --target zerlo_program

# Checks the run folder's path depth first, builds the program directory,
# installs it into the run folder and starts Zerlo with the sample project
# open; without a display it runs offscreen, writes build/zerlo-run.png and ends.
run:
	@ZERLO_RUN_DIR="$(ZERLO_RUN_DIR)" bash scripts/run-main --check-path
	@$(MAKE) --no-print-directory program
	@ZERLO_RUN_DIR="$(ZERLO_RUN_DIR)" bash scripts/run-main

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

# Removes the build folders but keeps any PROJECT folder in them (and never
# touches the run folder, where `make run` keeps the projects).
clean:
	@for d in build build-release build-asan build-asan-qt build-fuzz; do \
	  [ -d "$$d" ] || continue; \
	  find "$$d" -mindepth 1 -maxdepth 1 ! -name PROJECT -exec rm -rf {} +; \
	  [ -d "$$d/PROJECT" ] && echo "kept $$d/PROJECT" || rmdir "$$d"; \
	done
