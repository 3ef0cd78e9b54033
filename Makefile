# The two commands of the README: `make demo` and `make test`.
.PHONY: all deps build demo test quality clean

all: build

deps:
	@scripts/ensureDeps

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
	cmake --build build -j 2

test: deps
	scripts/runTests

clean:
	rm -rf build build-native build-sanitize out
