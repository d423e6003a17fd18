# The two commands of the README: `make run` and `make test`. Both install the
# Debian packages that are missing (with sudo when not root), then build.

BUILD      ?= build
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# Extra cache settings for the first configure of $(BUILD), e.g. -DSCANLARK_WERROR=ON.
CMAKE_ARGS ?=
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

PACKAGES      := g++ cmake ninja-build pkg-config qt6-base-dev libicu-dev libjpeg62-turbo-dev libgtest-dev \
                 qt6-translations-l10n libsqlite3-dev libssl-dev \
                 qt6-l10n-tools qt6-tools-dev
# The benchmarks only: `make bench` builds them, the two README commands do not.
BENCH_PACKAGES := libbenchmark-dev
FUZZ_PACKAGES := clang libclang-rt-14-dev
# Japanese texts need a CJK font on a bare machine.
RUN_PACKAGES  := fonts-noto-cjk
# The install test validates the .desktop file with desktop-file-validate,
# asks gio what the desktop would open with it and shows the manual page with
# man; the README's recipes run GNU parallel and jq.
TEST_PACKAGES := desktop-file-utils libglib2.0-bin parallel jq man-db appstream
# `make deb`: dpkg-shlibdeps for the dependencies, lintian and the checks.
DEB_PACKAGES  := dpkg-dev lintian appstream desktop-file-utils
# `make screenshots`: the window on a virtual screen with a window manager.
SCREENSHOT_PACKAGES := xvfb openbox xdotool imagemagick fonts-noto-cjk

.PHONY: all deps bench-deps build run test test-asan test-tsan fuzz bench deb install-nautilus-script translations screenshots clean

all: build

# Installs whatever of $(1) dpkg does not know as installed.
define install_missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

bench-deps:
	$(call install_missing,$(BENCH_PACKAGES))

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

# The window, opened on the folder of sample files that the build writes.
run: build
	$(call install_missing,$(RUN_PACKAGES))
	./$(BUILD)/src/scanlark $(CURDIR)/$(BUILD)/samples

test: build
	$(call install_missing,$(TEST_PACKAGES))
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake --preset asan
	cmake --build build-asan -j $(JOBS)
	ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# The tests of everything that runs on more than one thread, under
# ThreadSanitizer (the marker walk is single-threaded and tested above).
test-tsan: deps
	cmake --preset tsan
	cmake --build build-tsan -j $(JOBS) --target core_tests
	./build-tsan/tests/core_tests

# The marker walk, the preview's decoder and the deep check under libFuzzer
# for FUZZ_SECONDS each, from generated seeds.
fuzz: deps
	$(call install_missing,$(FUZZ_PACKAGES))
	cmake --preset fuzz
	cmake --build build-fuzz -j $(JOBS)
	mkdir -p build-fuzz/corpus
	./build-fuzz/fuzz/fuzz_scan -max_total_time=$(FUZZ_SECONDS) -max_len=16384 -timeout=10 \
	  -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 build-fuzz/corpus build-fuzz/seeds
	mkdir -p build-fuzz/corpus-decode
	./build-fuzz/fuzz/fuzz_decode -max_total_time=$(FUZZ_SECONDS) -max_len=16384 -timeout=10 \
	  -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 build-fuzz/corpus-decode build-fuzz/seeds
	mkdir -p build-fuzz/corpus-deep
	./build-fuzz/fuzz/fuzz_deep -max_total_time=$(FUZZ_SECONDS) -max_len=16384 -timeout=10 \
	  -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 build-fuzz/corpus-deep build-fuzz/seeds

# A Debian package of the build (under /usr, stripped), then its checks:
# lintian, a throw-away install and its metadata (tests/install/check-deb.sh).
deb: build
	$(call install_missing,$(DEB_PACKAGES))
	cd $(BUILD) && cpack -G DEB
	bash tests/install/check-deb.sh $(BUILD)/scanlark_*.deb

# Nautilus's Scripts menu: "Check with Scanlark", named in Japanese where
# the locale is (LANGUAGE, LC_ALL, LC_MESSAGES, LANG: the first set counts).
install-nautilus-script:
	@locale="$${LANGUAGE:-$${LC_ALL:-$${LC_MESSAGES:-$${LANG:-}}}}"; \
	case "$$locale" in ja*) name="Scanlark でチェック" ;; *) name="Check with Scanlark" ;; esac; \
	folder="$${XDG_DATA_HOME:-$$HOME/.local/share}/nautilus/scripts"; \
	mkdir -p "$$folder" && install -m 755 packaging/filemanagers/nautilus-script.sh "$$folder/$$name" && \
	echo "Installed: $$folder/$$name"

# Gathers new and changed window texts into i18n/scanlark_en.ts (lupdate);
# translate them there. The build itself only runs lrelease.
translations: build
	cmake --build $(BUILD) --target update_translations

# docs/screenshot-en.png and docs/screenshot-ja.png, as the README shows them.
screenshots: build
	$(call install_missing,$(SCREENSHOT_PACKAGES))
	bash tools/take-screenshots.sh $(BUILD) docs

bench: deps bench-deps
	bash bench/run-bench.sh

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-release
