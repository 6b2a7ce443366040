# make run   installs what is missing, builds and starts the console on resources/
# make test  installs what is missing, builds and runs every test (plain build,
#            then the sanitizer and fuzz build)

BUILD      ?= build
SAN_BUILD  ?= build-san
JOBS       ?= $(shell nproc)
CTEST_ARGS ?= --output-on-failure -j $(JOBS)

.PHONY: all deps build build-san run test test-plain test-san clean

all: build

deps:
	@sh scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# AddressSanitizer + UndefinedBehaviorSanitizer, with clang so that the
# libFuzzer targets build and run in the same tree.
build-san: deps
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja \
	    -DCMAKE_BUILD_TYPE=Debug -DVELKARO_SANITIZE=ON -DVELKARO_FUZZ=ON
	cmake --build $(SAN_BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/app/velkaro ]; then \
	    $(BUILD)/app/velkaro; \
	else \
	    echo "The console executable is not built yet."; exit 1; \
	fi

test-plain: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest $(CTEST_ARGS)

test-san: build-san
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest $(CTEST_ARGS)

test: test-plain test-san

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
