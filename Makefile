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
  dbus-daemon xvfb xauth x11-apps imagemagick

.PHONY: all deps configure build test bench demo clean

all: build

deps:
	@./tools/install-deps.sh $(DEBIAN_PACKAGES)

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	@cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@./tools/run-bench.sh $(BUILD_DIR)

# The demo's virtual display gets a small window manager to draw the caption.
DEMO_PACKAGES := twm

demo: build
	@./tools/install-deps.sh $(DEMO_PACKAGES)
	@./tools/demo.sh $(BUILD_DIR)

clean:
	@rm -rf $(BUILD_DIR)
