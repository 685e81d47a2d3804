# The two commands of the README, and a few more. Each one installs what it
# needs first (Debian 12, as root), so a fresh clone needs nothing else.
PRESET ?= i686
BUILD  := build/$(PRESET)
# The shell extension also ships as a 64-bit library (the saver does not); the
# 64-bit build builds and tests both programs.
X64    := build/x64
DIST   := dist

.PHONY: all deps configure build dist test demo bench gallery clean

all: dist

deps:
	@scripts/install-deps.sh

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake --preset $(PRESET)
	@[ -f $(X64)/build.ninja ] || cmake --preset x64

build: configure
	cmake --build --preset $(PRESET)
	cmake --build --preset x64

dist: build
	cmake --install $(BUILD) --prefix $(CURDIR)/$(DIST)
	cmake --install $(X64) --prefix $(CURDIR)/$(DIST)

# Both builds are tested even when the first one fails; the setup tests
# install from the staged dist/ folder.
test: dist
	scripts/test-all.sh $(BUILD) $(X64)

demo: dist
	scripts/demo.sh $(BUILD) $(DIST)

# The shipped 32-bit programs' figures, and the 64-bit build's beside them.
# MINUTES=N: only the show's frame cost, early and late in a run that long,
# in the 64-bit build.
bench: build
ifdef MINUTES
	scripts/run-bench.sh $(X64) $(MINUTES)
else
	scripts/run-bench.sh $(BUILD)
	scripts/run-bench.sh $(X64)
endif

gallery: build
	scripts/gallery.sh $(BUILD) $(DIST)

clean:
	rm -rf build $(DIST)
