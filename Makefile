# The two commands of the project:
#   make run    installs what is missing, builds, lays out the program folder with the sample
#               data and starts the program
#   make test   installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= 2

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/program/quarnaro

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: build
	for b in $(BUILD)/bench/bench_* $(BUILD)/bench/*/bench_*; do [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done; true

# The libFuzzer target of the derived-indicator expressions (clang, address and undefined
# behaviour sanitizers), in its own build folder; grows tests/fuzz/corpus_formula.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 600
fuzz:
	cmake -S tests/fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUARNARO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	$(FUZZ_BUILD)/fuzz_formula -max_total_time=$(FUZZ_TIME) -max_len=512 tests/fuzz/corpus_formula

clean:
	rm -rf $(BUILD)
