# Zelvant: `make test` and `make run` do all set-up on a fresh Debian machine.

BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_FUZZ  ?= build-fuzz
BUILD_LINT  ?= build-lint
BUILD_COVERAGE ?= build-coverage
BUILD_WINDOWS ?= build-windows
FUZZ_SECONDS ?= 30
BUILD_TYPE  ?= RelWithDebInfo
WERROR      ?= OFF
JOBS        ?= $(shell nproc)
SYNC_SEEDS  ?= 2000
PREFIX      ?= /usr/local
DESTDIR     ?=

# Debian packages the build and the tests need.
PACKAGES := cmake ninja-build g++ pkg-config ccache tzdata \
            libgtest-dev libgmock-dev libpugixml-dev libical-dev libcli11-dev libcurl4-openssl-dev \
            qt6-base-dev qt6-translations-l10n fonts-dejavu-core python3-icalendar libicu-dev \
            radicale python3-caldav openssl

# Only for the checks of the same name; `make test` does not pull them.
FUZZ_PACKAGES     := clang libclang-rt-14-dev
LINT_PACKAGES     := clang-tidy-14
FORMAT_PACKAGES   := clang-format-14
COVERAGE_PACKAGES := gcovr python3
BENCH_PACKAGES    := vdirsyncer
# The Windows add-in: the cross compiler, and wine to run its tests.
WINDOWS_PACKAGES  := g++-mingw-w64-x86-64-posix wine wine64

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps deps-fuzz deps-lint deps-format deps-coverage deps-bench deps-windows configure build test test-sanitize \
        windows test-windows \
        fuzz coverage format lint bench run install clean

# $(call install-missing,PACKAGES): installs those of the Debian packages that are not installed.
define install-missing
	@missing=""; for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installiere:$$missing"; \
	    $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install-missing,$(PACKAGES))
deps-fuzz: deps
	$(call install-missing,$(FUZZ_PACKAGES))
deps-lint: deps
	$(call install-missing,$(LINT_PACKAGES))
deps-format:
	$(call install-missing,$(FORMAT_PACKAGES))
deps-coverage: deps
	$(call install-missing,$(COVERAGE_PACKAGES))
deps-bench: deps
	$(call install-missing,$(BENCH_PACKAGES))
deps-windows: deps
	$(call install-missing,$(WINDOWS_PACKAGES))

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZELVANT_WERROR=$(WERROR) > /dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build test-windows
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# zelvant.dll, the add-in for Windows, cross-built with MinGW-w64 into $(BUILD_WINDOWS)/windows/dll.
windows: deps-windows
	@cmake -S . -B $(BUILD_WINDOWS) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVANT_WERROR=$(WERROR) > /dev/null
	cmake --build $(BUILD_WINDOWS) -j $(JOBS) --target zelvant_dll

# Its tests under wine, in a throw-away prefix in $(BUILD_WINDOWS).
test-windows: deps-windows
	@tools/windows $(BUILD_WINDOWS) $(WERROR)

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELVANT_SANITIZE=ON -DZELVANT_WERROR=$(WERROR) > /dev/null
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# Each reader's libFuzzer harness (fuzz/) for FUZZ_SECONDS, built with clang, ASan and UBSan.
# Corpora grow in $(BUILD_FUZZ)/corpus; a finding fails and is kept in $(BUILD_FUZZ)/artifacts.
fuzz: deps-fuzz
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVANT_FUZZ=ON > /dev/null
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzzers
	@tools/fuzz-run $(BUILD_FUZZ) $(FUZZ_SECONDS)

# The suite with gcov counters, then line and branch coverage per folder (tests/ and bench/ left out).
coverage: deps-coverage
	@cmake -S . -B $(BUILD_COVERAGE) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELVANT_COVERAGE=ON > /dev/null
	cmake --build $(BUILD_COVERAGE) -j $(JOBS)
	@find $(BUILD_COVERAGE) -name '*.gcda' -delete
	ctest --test-dir $(BUILD_COVERAGE) --output-on-failure -j $(JOBS)
	@gcovr --root . --object-directory $(BUILD_COVERAGE) --exclude '(.+/)?tests/' --exclude '(.+/)?bench/' \
	    --exclude '$(BUILD_COVERAGE)/' --exclude-throw-branches --gcov-ignore-parse-errors \
	    --json-summary $(BUILD_COVERAGE)/coverage.json -j $(JOBS) --print-summary
	@/usr/bin/python3 tools/coverage-summary.py $(BUILD_COVERAGE)/coverage.json

# clang-format-14 over every .cpp and .h in place; names the files it changed and fails when it
# changed any, so CI shows the difference and a developer simply runs it again.
format: deps-format
	@tools/format

# clang-tidy-14 with .clang-tidy over the program's sources (not tests); every finding fails.
lint: deps-lint
	@cmake -S . -B $(BUILD_LINT) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
	@tools/lint $(BUILD_LINT) $(JOBS)

# The main job on the bundled example: link the plan's tasks to the calendar, synchronise,
# and show where the two files are. A fresh copy each time, under build/.
DEMO := $(BUILD)/beispiel
run: configure
	@cmake --build $(BUILD) --target zelvant -j $(JOBS)
	@rm -rf $(DEMO) && mkdir -p $(DEMO) && cp examples/Umzug.xml examples/Kalender.ics $(DEMO)/
	@echo "== Vorgänge des Beispielplans"
	@ZELVANT_REGISTRY_FILE=$(DEMO)/registry.txt $(BUILD)/app/zelvant list tasks --project $(DEMO)/Umzug.xml
	@echo "== Vorgänge in Termine umwandeln"
	@ZELVANT_REGISTRY_FILE=$(DEMO)/registry.txt $(BUILD)/app/zelvant link-tasks --project $(DEMO)/Umzug.xml --calendar $(DEMO)/Kalender.ics
	@echo "== Schnellsynchronisierung"
	@ZELVANT_REGISTRY_FILE=$(DEMO)/registry.txt $(BUILD)/app/zelvant sync --project $(DEMO)/Umzug.xml --calendar $(DEMO)/Kalender.ics
	@echo "== Verknüpfte Vorgänge"
	@ZELVANT_REGISTRY_FILE=$(DEMO)/registry.txt $(BUILD)/app/zelvant list linked --project $(DEMO)/Umzug.xml
	@echo
	@echo "Projektplan: $(abspath $(DEMO))/Umzug.xml"
	@echo "Kalender:    $(abspath $(DEMO))/Kalender.ics  (in einem Kalenderprogramm öffnen, Termine verschieben,"
	@echo "             dann erneut: $(BUILD)/app/zelvant sync --project $(DEMO)/Umzug.xml --calendar $(DEMO)/Kalender.ics)"

bench: build deps-bench
	@for b in $(BUILD)/bench/zelvant_bench_*; do [ -x "$$b" ] && "$$b"; done
	@# A calendar of 4,000 events on a local Radicale, against vdirsyncer on the same collection.
	@bench/caldav-bench $(BUILD)/app/zelvant $(BUILD)/caldav-bench
	@# The synchronisation's random test over many more seeds than the suite runs.
	@TZ=Europe/Berlin ZELVANT_SYNC_SEEDS=$(SYNC_SEEDS) $(BUILD)/tests/engine/zelvant_engine_tests \
	    --gtest_filter='SyncProperty*' --gtest_brief=1 | tail -1

# zelvant and zelvant-host into $(DESTDIR)$(PREFIX)/bin, with the man page, the bash completion
# and the desktop entry below share/. As root, or through sudo, for a system folder.
install: build
	@dir="$(DESTDIR)$(PREFIX)"; while [ ! -d "$$dir" ]; do dir=$$(dirname "$$dir"); done; \
	if [ -w "$$dir" ]; then sudo=""; else sudo="$(SUDO)"; fi; \
	$$sudo env DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) $(BUILD_LINT) $(BUILD_COVERAGE) $(BUILD_WINDOWS)
