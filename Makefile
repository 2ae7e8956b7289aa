# Thin wrapper over CMake. Every target installs what is missing first, so a
# fresh Debian 12 machine needs nothing but `make`.
BUILD_DIR ?= build
JOBS      ?= $(shell nproc)
CMAKE_FLAGS ?=

DEBIAN_PACKAGES := cmake ninja-build g++ pkg-config ccache \
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n \
  qt6-speech-dev qt6-speech-flite-plugin qt6-speech-speechd-plugin qt6-declarative-dev \
  libcanberra-dev sound-theme-freedesktop libgl-dev fonts-dejavu-core \
  speech-dispatcher speech-dispatcher-espeak-ng espeak-ng \
  dbus-daemon xvfb xauth x11-apps imagemagick \
  dpkg-dev desktop-file-utils appstream file

.PHONY: all deps configure build test bench demo clean fuzz test-asan soak package check-windows

all: build

deps:
	@./tools/install-deps.sh $(DEBIAN_PACKAGES)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The Debian packages tesk-vistor and tesk-callserver, into $(BUILD_DIR).
package: build
	@cd $(BUILD_DIR) && cpack -G DEB

bench: build
	@./tools/run-bench.sh $(BUILD_DIR)

# Every Windows-only file compiled by the MinGW-w64 cross compiler against
# Qt's headers (syntax and types; nothing is linked). Needs no build folder.
WINDOWS_PACKAGES := g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 qt6-base-dev

check-windows:
	@./tools/install-deps.sh $(WINDOWS_PACKAGES)
	@./tools/check-windows.sh

# The demo's virtual display gets a small window manager to draw the caption.
DEMO_PACKAGES := twm

demo: build
	@./tools/install-deps.sh $(DEMO_PACKAGES)
	@./tools/demo.sh $(BUILD_DIR)

# The real program on a virtual display against a misbehaving simulator for
# SOAK_SECONDS; prints its figures and fails on a crash, a late reconnect or
# memory growth.
SOAK_PACKAGES := python3
SOAK_SECONDS ?= 120

soak: build
	@./tools/install-deps.sh $(DEMO_PACKAGES) $(SOAK_PACKAGES)
	@SOAK_SECONDS=$(SOAK_SECONDS) ./tools/soak.sh $(BUILD_DIR)

# libFuzzer needs clang and its runtime; each target gets its share of
# FUZZ_SECONDS. Builds into build-fuzz/.
FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_SECONDS ?= 60

fuzz: deps
	@./tools/install-deps.sh $(FUZZ_PACKAGES)
	@FUZZ_SECONDS=$(FUZZ_SECONDS) ./tools/run-fuzz.sh build-fuzz

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in
# build-asan/. Qt keeps memory for the life of the process, so leak checking
# is off; any other report fails the test that caused it.
test-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTESK_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
	  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 900

clean:
	@rm -rf $(BUILD_DIR) build-fuzz build-asan
