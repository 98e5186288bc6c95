# `make run` and `make test` install what is missing, configure, build, then run / test.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test clean format windows

all: build

deps:
	@tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUANTALINE_WERROR=ON

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	tools/run.sh $(BUILD_DIR)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The Windows programs, installer and zip in build-windows/ (Qt for Windows is built once,
# about 25 minutes on two cores, and cached outside the checkout).
windows: deps
	tools/build-windows.sh build-windows

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
