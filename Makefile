# The two commands a new user needs: `make run` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc)
EXAMPLE ?= examples/PLANT.SIM
# Where `make install` puts the program (DESTDIR is honoured as well).
PREFIX ?= /usr/local
# Extra CMake options, e.g. CMAKE_ARGS=-DKIVO_WERROR=ON (as CI sets it).
CMAKE_ARGS ?=
# Compiler cache, when there is one.
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: deps configure build program run test bench asan format check-format clean install package

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) $(CMAKE_ARGS) > /dev/null

# Everything: the program, kivo-cli, the test suites and the benchmarks.
build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Only what `make run` starts: the desktop program and kivo-cli (which calculates the example first).
program: configure
	@cmake --build $(BUILD) -j $(JOBS) --target kivo kivo-cli

run: program
	@scripts/run-kivo $(BUILD) $(EXAMPLE)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The programs, desktop entry, icons, MIME types and manual pages under PREFIX.
install: configure
	@cmake --build $(BUILD) -j $(JOBS) --target kivo kivo-cli kivo-manpages
	@cmake --install $(BUILD) --prefix $(PREFIX)

# A Debian package (build/kivo_<version>_<arch>.deb) that installs with apt.
package: configure
	@cmake --build $(BUILD) -j $(JOBS) --target kivo kivo-cli kivo-manpages
	@cd $(BUILD) && cpack -G DEB

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

# The reader's fuzz test and the core suites under AddressSanitizer and UBSan.
asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKIVO_SANITIZE=ON -DKIVO_BUILD_GUI=OFF \
		-DKIVO_BUILD_BENCH=OFF $(LAUNCHER) $(CMAKE_ARGS) > /dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ctest --output-on-failure -j $(JOBS)

# Formats every C++ file with the project's .clang-format; check-format fails on any drift.
format:
	@scripts/format --fix

check-format: deps
	@scripts/format --check

clean:
	rm -rf $(BUILD) build-asan
