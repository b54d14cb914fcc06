# Thin wrappers over CMake and CTest. Each target first installs what is missing
# (as root) or prints the apt-get line to run. The viewer's build (the show alone) and the
# developer's build (tests and tools too) live in folders of their own, so switching between
# `make run` and `make test` never reconfigures either.
# The sub-makes CMake runs would otherwise announce every folder they enter and leave.
MAKEFLAGS += --no-print-directory
BUILD ?= build
RUN_BUILD ?= build-run
WINDOWS_BUILD ?= build-windows
WEB_BUILD ?= build-web
DIST_BUILD ?= build-dist
DIST ?= dist
JOBS ?= $(shell nproc)

.PHONY: run test media docs bench build windows windows-tested web dist dist-deb dist-windows \
	dist-web

# Without a display there is nothing to run the show on: said first, before any work.
run:
	@if [ -z "$$DISPLAY" ]; then \
	    echo "make run: no display here (DISPLAY is not set); start it from a desktop session, or see make test" >&2; \
	    exit 1; fi
	@tools/deps run
	@cmake -S . -B $(RUN_BUILD) -DCORVANEL_TESTS=OFF -DCORVANEL_TOOLS=OFF >/dev/null
	@cmake --build $(RUN_BUILD) --target corvanel -j $(JOBS)
	$(RUN_BUILD)/corvanel

# The Windows executable, cross-built with MinGW-w64 against static libraries built from
# Debian's sources (once; again only when the archive's versions change). Configured with the
# tests, whose one target there (the test build) only windows-tested builds.
windows:
	@tools/deps windows
	@packaging/windows/build_libraries.sh $(WINDOWS_BUILD)/libraries
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=packaging/windows/mingw-w64.cmake \
	    -DCORVANEL_WINDOWS_PREFIX=$(abspath $(WINDOWS_BUILD))/libraries/prefix \
	    -DCORVANEL_TESTS=ON -DCORVANEL_TOOLS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
	@cmake --build $(WINDOWS_BUILD) --target corvanel -j $(JOBS)
	@echo "built $(WINDOWS_BUILD)/corvanel.exe"

# The tests run the Windows build under Wine, with a test build of it beside the release one.
windows-tested: windows
	@cmake --build $(WINDOWS_BUILD) --target corvanel_hooked -j $(JOBS)

# The page, its script and WebAssembly, built with Debian's emscripten against libraries built
# from Debian's sources (as for Windows). Debian's emcc finds its node modules only through
# NODE_PATH, and keeps its prebuilt system libraries in a frozen cache of its own.
web: export NODE_PATH = /usr/share/nodejs
web:
	@tools/deps web
	@packaging/windows/build_libraries.sh $(WEB_BUILD)/libraries web
	@emcmake cmake -S . -B $(WEB_BUILD) -DCORVANEL_WEB_PREFIX=$(abspath $(WEB_BUILD))/libraries/prefix \
	    -DCORVANEL_TESTS=OFF -DCORVANEL_TOOLS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
	@cmake --build $(WEB_BUILD) --target corvanel -j $(JOBS)
	@echo "built $(WEB_BUILD)/index.html (serve the folder over http, e.g. python3 -m http.server -d $(WEB_BUILD))"

build:
	@tools/deps test
	@cmake -S . -B $(BUILD) -DCORVANEL_TESTS=ON -DCORVANEL_TOOLS=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
	    -DCORVANEL_WINDOWS_BUILD=$(abspath $(WINDOWS_BUILD)) -DCORVANEL_WEB_BUILD=$(abspath $(WEB_BUILD)) \
	    >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Then the unit and OpenGL tests once more, built with AddressSanitizer and UBSan, and the
# whole show in that build with leak detection on. The unit and GL tests run without leak
# reports: their windows and contexts live until exit on purpose.
test: windows-tested web build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	@cmake -S . -B $(BUILD)-sanitize -DCORVANEL_SANITIZE=ON -DCORVANEL_TOOLS=OFF >/dev/null
	@cmake --build $(BUILD)-sanitize -j $(JOBS)
	cd $(BUILD)-sanitize && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -L 'unit|gl|leak' -j $(JOBS)

# Regenerates the committed media with the project's own tools.
media: build
	@cmake --build $(BUILD) --target media

# The README's frames of the show, rendered by the real frame code from the media as carried,
# and its moving preview of the drop, made by the capture.
docs: media
	@cmake --build $(BUILD) --target docs_frames docs_preview

bench: build
	@cmake --build $(BUILD) --target bench

# Release packages into $(DIST)/, each made from a viewer's build (the show alone).
dist: dist-deb dist-windows dist-web

dist-deb:
	@tools/deps dist
	JOBS=$(JOBS) packaging/debian/build.sh $(DIST_BUILD) $(DIST)

dist-windows: windows
	@rm -rf $(WINDOWS_BUILD)/packages
	@cd $(WINDOWS_BUILD) && cpack -G ZIP >/dev/null
	@mkdir -p $(DIST) && cp $(WINDOWS_BUILD)/packages/*.zip $(DIST)/
	@echo "$(DIST)/$$(cd $(WINDOWS_BUILD)/packages && ls *.zip)"

dist-web: web
	@rm -rf $(WEB_BUILD)/packages
	@cd $(WEB_BUILD) && cpack -G ZIP >/dev/null
	@mkdir -p $(DIST) && cp $(WEB_BUILD)/packages/*.zip $(DIST)/
	@echo "$(DIST)/$$(cd $(WEB_BUILD)/packages && ls *.zip)"
