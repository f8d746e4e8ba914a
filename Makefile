# make run   - install what is missing, build, start the player on the demo library
# make test  - install what is missing, build with sanitizers, run every test
# make bench - install what is missing, build optimised, run the benchmarks
.PHONY: run test bench deps

WERROR := $(if $(CI),ON,OFF)
JOBS ?= $(shell nproc)

deps:
	@scripts/install-deps

build/release/build.ninja: CMakeLists.txt
	cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTL_WERROR=$(WERROR)

run: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS) --target tonlaterne demo
	cd build/release/demo/work && ../../tonlaterne

test: deps
	cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTL_SANITIZE=ON -DTL_WERROR=$(WERROR)
	cmake --build build/test -j $(JOBS)
	cd build/test && ctest --output-on-failure -j $(JOBS)

bench: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
	bench/run build/release
