# SPDX-License-Identifier: GPL-3.0-or-later
# Kestrum — set-up, build, test and demo on Debian 12.
#
#   make run    install what is missing, build, start Kestrum
#   make test   install what is missing, build, run the whole suite
#   make test-stress  the whole suite three times while a CPU hog keeps every core busy
#   make demo   start the simulated market and Kestrum pointed at it
#   make package  build the Debian package (build/kestrum_<version>-1_<arch>.deb)
#   make screenshots  render the README's pictures again (docs/images/)
#   make fuzz   build the fuzz targets (clang, ASan, UBSan) and run each for FUZZ_SECONDS

BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

# The fuzz build: clang with libFuzzer and the sanitizers, in a directory of its own.
FUZZ_BUILD_DIR     ?= build-fuzz
FUZZ_SECONDS       ?= 60
FUZZ_SHORT_SECONDS ?= 10

# Everything the build, the tests, the demo, the fonts and the package checks need.
APT_PACKAGES := cmake ninja-build g++ make pkg-config \
	qt6-base-dev qt6-base-dev-tools qt6-httpserver-dev qt6-websockets-dev qt6-svg-dev qt6-qpa-plugins \
	qt6-wayland libgl-dev libxcb1-dev fonts-noto-cjk dbus-daemon dbus-session-bus-common weston xwayland \
	libbenchmark-dev \
	clang libclang-rt-14-dev llvm-14 \
	appstream desktop-file-utils lintian man-db groff-base dpkg-dev file fakeroot

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test test-stress golden-accept demo bench format clean package screenshots \
	fuzz-configure fuzz-build fuzz fuzz-short fuzz-seeds

all: build

deps:
	@missing=""; \
	for p in $(APT_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' "$$p" 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

# Our own builds stop at any warning; a plain `cmake` (a distribution's) does not.
$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKESTRUM_WERROR=ON

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/src/kestrum

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)
	$(MAKE) fuzz-short

# No verdict may depend on the machine's speed: the whole suite, three times over, while one
# busy loop per core competes with it. The loops are stopped however the run ends.
STRESS_HOGS ?= $(shell nproc 2>/dev/null || echo 2)
test-stress: build
	@hogs=""; trap 'kill $$hogs 2>/dev/null' EXIT; trap 'exit 130' INT TERM HUP; \
	for i in $$(seq $(STRESS_HOGS)); do sh -c 'while :; do :; done' & hogs="$$hogs $$!"; done; \
	echo "CPU hogs:$$hogs"; \
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS) --repeat until-fail:3

# After an intended change to the interface: renders the golden-image test's references
# (tests/golden/*.png) anew from the current code. Review them in the diff before committing.
golden-accept: build
	cd $(BUILD_DIR) && KESTRUM_GOLDEN_ACCEPT=1 ctest --output-on-failure -R tst_goldenimages

$(FUZZ_BUILD_DIR)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DKESTRUM_FUZZ=ON \
	  -DKESTRUM_WERROR=ON -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++

fuzz-configure: deps $(FUZZ_BUILD_DIR)/build.ninja

fuzz-build: fuzz-configure
	cmake --build $(FUZZ_BUILD_DIR) -j $(JOBS)

# Every target in turn for FUZZ_SECONDS (FUZZ_TARGETS="fuzz_realtime ..." for a few);
# fails when any target found something; the input is kept in $(FUZZ_BUILD_DIR)/fuzz-findings.
fuzz: fuzz-build
	scripts/fuzz.sh $(FUZZ_BUILD_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The short pass `make test` runs.
fuzz-short: fuzz-build
	scripts/fuzz.sh $(FUZZ_BUILD_DIR) $(FUZZ_SHORT_SECONDS) $(FUZZ_TARGETS)

# Regenerates the seed corpora from the simulated market (fuzz/corpus/).
fuzz-seeds: configure
	cmake --build $(BUILD_DIR) --target kestrum-fuzz-seeds -j $(JOBS)
	$(BUILD_DIR)/fuzz/seeds/kestrum-fuzz-seeds fuzz/corpus

demo: build
	scripts/demo.sh $(BUILD_DIR)

# The Debian package of this build (CPack): /usr/bin/kestrum, stripped, with its desktop files.
package: build
	cmake --build $(BUILD_DIR) --target package

# The README's pictures, from the snapshot export: the popover, a detail page, the window.
screenshots: build
	scripts/screenshots.sh $(BUILD_DIR) docs/images

bench: build
	cmake --build $(BUILD_DIR) --target kestrum_bench -j $(JOBS)
	$(BUILD_DIR)/bench/kestrum_bench

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(FUZZ_BUILD_DIR)
