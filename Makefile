# Hivelark: `make run` starts the program, `make test` runs the whole suite. Both install what is
# missing first (scripts/bootstrap.sh, as root on Debian).
.PHONY: run test build bench dist format clean

run:
	@scripts/run.sh

test:
	@scripts/test.sh

build:
	@scripts/bootstrap.sh
	@scripts/build.sh i686
	@scripts/build.sh x86_64

bench:
	@scripts/bench.sh

# The package users get: dist/Hivelark-1.0-win32.zip and dist/SHA256SUMS.
dist:
	@scripts/bootstrap.sh
	@scripts/dist.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build dist
