# The two commands of the README: `make demo` and `make test`.
.PHONY: all deps build demo test fuzz quality clean

all: build

deps:
	@scripts/ensureDeps

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j 2

test: deps
	scripts/runTests

# A longer fuzz run: make fuzz FUZZ_SECONDS=3600
FUZZ_SECONDS ?= 600
fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DPAIRSEEK_FUZZ=ON -DPAIRSEEK_HOST_MODULES=OFF \
	  -DPAIRSEEK_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	cmake --build build-fuzz -j 2
	ctest --test-dir build-fuzz --output-on-failure -j 2

clean:
	rm -rf build build-native build-sanitize build-fuzz out
