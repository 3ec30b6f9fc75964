# The two commands of the README, and the benchmark. Each installs what it needs first.
.PHONY: run test bench build clean

run:
	tools/run.sh

test:
	tools/test.sh

bench:
	tools/bench.sh

build:
	tools/build.sh

clean:
	rm -rf build
