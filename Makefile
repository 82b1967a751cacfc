# Kestrum — set-up, build, test and demo on Debian 12.
#
#   make run    install what is missing, build, start Kestrum
#   make test   install what is missing, build, run the whole suite
#   make demo   start the simulated market and Kestrum pointed at it

BUILD_DIR  ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)

# Everything the build, the tests, the demo and the fonts need.
APT_PACKAGES := cmake ninja-build g++ make pkg-config \
	qt6-base-dev qt6-base-dev-tools qt6-httpserver-dev qt6-websockets-dev qt6-svg-dev qt6-qpa-plugins \
	qt6-wayland libgl-dev fonts-noto-cjk dbus-daemon dbus-session-bus-common \
	libbenchmark-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test demo bench format clean

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

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

configure: deps $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/src/kestrum

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

demo: build
	scripts/demo.sh $(BUILD_DIR)

bench: build
	cmake --build $(BUILD_DIR) --target kestrum_bench -j $(JOBS)
	$(BUILD_DIR)/bench/kestrum_bench

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
