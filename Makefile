# `make run` and `make test` install what is missing, configure, build, then run / test.
# `make run` builds the two programs and what they link; `make build` builds every target
# (tests, benchmarks), as `make test` and cpack need.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure programs build run test test-prerequisites clean format windows

all: build

deps:
	@tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUANTALINE_WERROR=ON

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

programs: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target quantaline-cli quantaline

run: programs
	tools/run.sh $(BUILD_DIR)

# Ends with the ten slowest tests and their seconds, whether the run passed or not.
test: build test-prerequisites
	@rm -rf $(BUILD_DIR)/test-encodes; cd $(BUILD_DIR) && status=0; \
	ctest --output-on-failure -j $(JOBS) --output-junit $(abspath $(BUILD_DIR))/ctest.xml || \
	    status=$$?; \
	python3 $(CURDIR)/tools/slowest-tests.py $(abspath $(BUILD_DIR))/ctest.xml 10; exit $$status

# What a suite would otherwise build while the timing tests run beside it, built before any
# test starts: Qt for Windows (built once and cached outside the checkout; about 25 minutes
# on two cores the first time, nothing after).
test-prerequisites: build
	@tools/build-qt-windows.sh --check || { \
	    echo "Qt for Windows is not cached: building it once (about 25 minutes on two cores)"; \
	    tools/build-qt-windows.sh >$(BUILD_DIR)/qt-windows.log 2>&1 || \
	    { tail -n 40 $(BUILD_DIR)/qt-windows.log; exit 1; }; }

# The Windows programs, installer and zip in build-windows/ (Qt for Windows is built once,
# about 25 minutes on two cores, and cached outside the checkout).
windows: deps
	tools/build-windows.sh build-windows

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
