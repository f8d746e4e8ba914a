# make run   - install what is missing, build, start the player on the demo library
# make test  - install what is missing, build with sanitizers, run every test,
#              then the fuzzers for a bounded time when clang is there
# make bench - install what is missing, build optimised, run the benchmarks
# make package - install what is missing, build optimised, write the Debian
#              package into build/package
.PHONY: run test bench package deps

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
	@if command -v clang++ >/dev/null; then \
	  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTL_FUZZ=ON && \
	  cmake --build build/fuzz -j $(JOBS) && \
	  cd build/fuzz && ctest --output-on-failure -j $(JOBS); \
	else echo "clang++ not found: the fuzzers are skipped"; fi

bench: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS)
	bench/run build/release

package: deps build/release/build.ninja
	cmake --build build/release -j $(JOBS) --target tonlaterne icons paketdateien
	cpack --config build/release/CPackConfig.cmake -B build/package
