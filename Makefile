# Zelvant: `make test` and `make run` do all set-up on a fresh Debian machine.

BUILD       ?= build
BUILD_ASAN  ?= build-asan
BUILD_TYPE  ?= RelWithDebInfo
WERROR      ?= OFF
JOBS        ?= $(shell nproc)
SYNC_SEEDS  ?= 2000
PREFIX      ?= /usr/local
DESTDIR     ?=

# Debian packages the build and the tests need.
PACKAGES := cmake ninja-build g++ pkg-config ccache tzdata \
            libgtest-dev libgmock-dev libpugixml-dev libical-dev libcli11-dev \
            qt6-base-dev fonts-dejavu-core python3-icalendar libicu-dev

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: deps configure build test test-sanitize bench run install clean

deps:
	@missing=""; for p in $(PACKAGES); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	    echo "Installiere:$$missing"; \
	    $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DZELVANT_WERROR=$(WERROR) > /dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole suite once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize: deps
	@cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZELVANT_SANITIZE=ON -DZELVANT_WERROR=$(WERROR) > /dev/null
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

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

bench: build
	@for b in $(BUILD)/bench/zelvant_bench_*; do [ -x "$$b" ] && "$$b"; done
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
	rm -rf $(BUILD) $(BUILD_ASAN)
