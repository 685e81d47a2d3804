# The two commands of the README, and a few more. Each one installs what it
# needs first (Debian 12, as root), so a fresh clone needs nothing else.
PRESET ?= i686
BUILD  := build/$(PRESET)
DIST   := dist

.PHONY: all deps configure build dist test demo bench gallery clean

all: dist

deps:
	@scripts/install-deps.sh

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

dist: build
	cmake --install $(BUILD) --prefix $(CURDIR)/$(DIST)

test: build
	scripts/run-tests.sh $(BUILD)

demo: dist
	scripts/demo.sh $(BUILD) $(DIST)

bench: build
	scripts/run-bench.sh $(BUILD)

gallery: build
	scripts/gallery.sh $(BUILD) $(DIST)

clean:
	rm -rf build $(DIST)
