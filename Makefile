# The two commands of the project are ./run.sh and ./test.sh (they install make too, on a bare
# machine); run and test here call them. The other targets need make, which they install.
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

run:
	BUILD=$(BUILD) JOBS=$(JOBS) ./run.sh

test:
	BUILD=$(BUILD) JOBS=$(JOBS) ./test.sh

bench: build
	for b in $(BUILD)/bench/bench_* $(BUILD)/bench/*/bench_*; do [ -x "$$b" ] && QT_QPA_PLATFORM=offscreen "$$b"; done; true

# The libFuzzer targets (clang, address and undefined-behaviour sanitizers), built in their own
# folder and run one after the other for FUZZ_TIME seconds each on their corpus
# tests/fuzz/corpus_NAME, which they grow. The Access import mutates the real files of
# ../shared/fixtures/access; its runs go on past a failing input (FUZZ_FLAGS_access), whose
# input is kept as $(FUZZ_BUILD)/access-crash-*, so that the whole time is used.
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME ?= 600
FUZZ_TARGETS ?= formula update shape access classify
FUZZ_MAXLEN_formula = 512
FUZZ_MAXLEN_update = 65536
FUZZ_MAXLEN_shape = 8192
FUZZ_MAXLEN_access = 256
FUZZ_MAXLEN_classify = 2048
FUZZ_FLAGS_access = -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 -timeout=60 \
	-artifact_prefix=$(FUZZ_BUILD)/access-
fuzz:
	cmake -S tests/fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQUARNARO_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	$(foreach t,$(FUZZ_TARGETS),$(FUZZ_BUILD)/fuzz_$(t) -max_total_time=$(FUZZ_TIME) $(if $(FUZZ_MAXLEN_$(t)),-max_len=$(FUZZ_MAXLEN_$(t))) $(FUZZ_FLAGS_$(t)) tests/fuzz/corpus_$(t) && ) true

clean:
	rm -rf $(BUILD)
