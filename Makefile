# The two commands of the README, and a few more. Each one installs what it
# needs first (Debian 12, as root), so a fresh clone needs nothing else.
PRESET ?= i686
BUILD  := build/$(PRESET)
# The shell extension also ships as a 64-bit library (the saver does not); the
# 64-bit build builds and tests both programs.
X64    := build/x64
# The ARM64 build (zig, run under the arm64 Wine, emulated) ships both
# programs for ARM64 Windows, in dist/arm64/.
ARM64  := build/arm64
DIST   := dist

.PHONY: all deps configure build sign dist test demo bench gallery reproducible clean

all: dist

deps:
	@scripts/install-deps.sh

configure: deps
	@[ -f $(BUILD)/build.ninja ] || cmake --preset $(PRESET)
	@[ -f $(X64)/build.ninja ] || cmake --preset x64
	@[ -f $(ARM64)/build.ninja ] || cmake --preset arm64

# What ships of the ARM64 build; its tests and benchmarks are built by the
# commands that run them.
build: configure
	cmake --build --preset $(PRESET)
	cmake --build --preset x64
	cmake --build --preset arm64 --target saver folders

# SIGN_CERT=FILE SIGN_KEY=FILE (or SIGN_PKCS12=FILE, SIGN_PASS=...) sign the
# programs, the libraries and the packages; SIGN_TIMESTAMP=URL time-stamps
# them. Without a certificate nothing is signed. The build's own files are
# signed, so that the tests run what ships.
export SIGN_CERT SIGN_KEY SIGN_PKCS12 SIGN_PASS SIGN_TIMESTAMP
sign: build
	scripts/sign.sh $(BUILD)/bin/saver.scr $(BUILD)/bin/folders.dll $(X64)/bin/folders.dll $(X64)/bin/x64/folders.dll \
	  $(ARM64)/bin/saver.scr $(ARM64)/bin/folders.dll

# What ships, and its checksums (not those of make demo's screenshots or
# make gallery's picture, which land in dist/ too).
dist: sign
	cmake --install $(BUILD) --prefix $(CURDIR)/$(DIST)
	cmake --install $(X64) --prefix $(CURDIR)/$(DIST)
	cmake --install $(ARM64) --prefix $(CURDIR)/$(DIST)
	scripts/make-packages.sh $(BUILD) $(DIST)
	cd $(DIST) && find . -type f ! -name SHA256SUMS ! -path './demo/*' ! -name figures.png | LC_ALL=C sort | \
	  sed 's|^\./||' | xargs sha256sum >SHA256SUMS

# Every build is tested even when another one fails; the setup tests
# install from the staged dist/ folder. The ARM64 lanes set up the arm64 Wine
# and build their tests while the others run.
test: dist
	scripts/test-all.sh $(BUILD) $(X64) $(ARM64)

demo: dist
	scripts/demo.sh $(BUILD) $(DIST)

# The shipped 32-bit programs' figures, and the 64-bit and ARM64 builds'
# beside them (ARM64 emulated). MINUTES=N: only the show's frame cost, early
# and late in a run that long, in the 64-bit build.
bench: build
ifdef MINUTES
	scripts/run-bench.sh $(X64) $(MINUTES)
else
	scripts/run-bench.sh $(BUILD)
	scripts/run-bench.sh $(X64)
	scripts/install-arm64-route.sh wine
	cmake --build --preset arm64
	scripts/run-bench.sh $(ARM64)
endif

gallery: build
	scripts/gallery.sh $(BUILD) $(DIST)

# Builds this commit a second time, from a clone in another folder, and
# compares its dist/ with this one's byte for byte (make dist first).
reproducible: dist
	scripts/reproducible.sh $(DIST)

clean:
	rm -rf build $(DIST)
