# The two commands of the README: `make demo` and `make test`.
.PHONY: all deps build modules demo test fuzz quality bench clean

# --no-history: Octave 7 fails to save its history at exit once it has read an
# image and prints a spurious "error: ignoring const execution_exception&".
OCTAVE = octave-cli --norc --no-gui --no-window-system --no-history

all: build

deps:
	@scripts/ensureDeps

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j 2

# The Octave modules alone, all that the demo and the quality table need.
modules: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j 2 --target octaveModules

# The command on the sample, then the Octave demo's overview picture.
demo: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j 2 --target pairseekCommand octaveModules
	build/bin/pairseek data/synth1_image.png data/synth1_trimap.png -o out/alpha.png --cutout out/cutout.png
	$(OCTAVE) --eval "addpath('build/octave', 'matlab'); pairMatteDemo"

test: deps
	scripts/runTests

# Quality table on the shared test data and photographs beside the repository
# (else data/); more folders: make quality DATA="folder ..."
QUALITY_SHARED = $(wildcard ../shared/data ../shared/photos)
QUALITY_DATA ?= $(if $(QUALITY_SHARED),$(QUALITY_SHARED),data)
quality: modules
	$(OCTAVE) --eval "addpath('build/octave', 'matlab'); matteQuality({$(foreach d,$(QUALITY_DATA) $(DATA),'$(d)')})"

# A longer fuzz run: make fuzz FUZZ_SECONDS=3600
FUZZ_SECONDS ?= 600
fuzz: deps
	cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DPAIRSEEK_FUZZ=ON -DPAIRSEEK_HOST_MODULES=OFF \
	  -DPAIRSEEK_FUZZ_SECONDS=$(FUZZ_SECONDS) >/dev/null
	cmake --build build-fuzz -j 2
	ctest --test-dir build-fuzz --output-on-failure -j 2

# Benchmark of the search pass, the Octave modules end to end, then the stage
# table of the whole pipeline on an upscaled photograph (not a test; README,
# Performance). Arguments for Google Benchmark: make bench BENCH_ARGS=...
BENCH_ARGS ?= --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
bench: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j 2 --target searchPassBench octaveModules stageBench
	build/bench/searchPassBench $(BENCH_ARGS)
	$(OCTAVE) --eval "addpath('build/octave', 'bench'); endToEnd;"
	bench/bigPhoto build

clean:
	rm -rf build build-native build-sanitize build-fuzz out
