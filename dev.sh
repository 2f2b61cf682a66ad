#!/usr/bin/env bash
# Set-up, build and the two main jobs on a Debian 12 machine (as root, or with sudo):
#   bash dev.sh run     installs what is missing, builds, grades the example exam
#   bash dev.sh test    installs what is missing, builds, runs all tests
#   bash dev.sh bench   builds and runs the benchmarks
#   bash dev.sh windows cross-builds vantrel.dll and its tests for i686 and x86_64, checks both,
#                       runs the x86_64 tests under wine64 and, where the machine runs 32-bit
#                       programs, the i686 tests under wine32 in the same 64-bit prefix (WoW64),
#                       and the 32-bit Linux tests under qemu
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev libpng-dev zlib1g-dev liblcms2-dev clang libclang-rt-14-dev
          libjpeg62-turbo-dev libgif-dev libtiff-dev parallel)
# What the side-by-side scripts in bench/ run the studio against.
BENCH_PACKAGES=(hyperfine libjpeg-turbo-progs imagemagick python3-pil python3-numpy)
BUILD_DIR=${BUILD_DIR:-build}
# Cross builds for Windows, and the 32-bit Linux run of the portable tests.
WINDOWS_PACKAGES=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 libz-mingw-w64-dev
                  g++-multilib qemu-user-static googletest locales clang lld llvm)

install_missing() {
    local missing=()
    for package in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# VANTREL_WERROR=ON in the environment (CI sets it) makes every warning an error.
WERROR=-DVANTREL_WERROR=${VANTREL_WERROR:-OFF}

build() {
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$WERROR" "$@" >/dev/null
    ninja -C "$BUILD_DIR"
}

run_example() {
    local exam="$BUILD_DIR/example-exam"
    "$BUILD_DIR/make_example_exam" "$exam"
    for examinee in alice bob; do
        printf '%s: ' "$examinee"
        "$BUILD_DIR/vantrel" grade examples/exam.key --answers "$exam/answers/$examinee" --keys "$exam/keys"
    done
    echo "per block, for alice:"
    "$BUILD_DIR/vantrel" grade examples/exam.key --answers "$exam/answers/alice" --keys "$exam/keys" --json
}

# ---- Windows ------------------------------------------------------------------------
WIN32_DIR=${WIN32_DIR:-build-win32}
WIN64_DIR=${WIN64_DIR:-build-win64}
LINUX32_DIR=${LINUX32_DIR:-build-linux32}
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine
WINESERVER=/usr/lib/wine/wineserver
WIN_TEST_TARGETS=(vantrel vantrel_tests vantrel_c_api_test vantrel_dll_host vantrel_effects_host vantrel_studio_server
                  vantrel_late_window)

cross_build() {  # cross_build DIR TOOLCHAIN TARGETS... [-- CMAKE OPTIONS]
    local dir=$1 toolchain=$2; shift 2
    local targets=() options=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do targets+=("$1"); shift; done
    [ $# -gt 0 ] && shift && options=("$@")
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" \
        -DVANTREL_CLI=OFF -DVANTREL_BENCH=OFF "$WERROR" "${options[@]}" >/dev/null
    ninja -C "$dir" "${targets[@]}"
}

# Whether this machine runs 32-bit x86 programs: some kernels have IA-32 emulation off.
runs_32bit_programs() {
    local probe
    probe=$(mktemp -d)
    printf '.globl _start\n_start: movl $1, %%eax\n movl $7, %%ebx\n int $0x80\n' >"$probe/p.s"
    local code=1
    if as --32 -o "$probe/p.o" "$probe/p.s" 2>/dev/null && ld -m elf_i386 -o "$probe/p" "$probe/p.o" 2>/dev/null; then
        local answer=0
        "$probe/p" 2>/dev/null || answer=$?
        [ "$answer" -eq 7 ] && code=0
    fi
    rm -rf "$probe"
    return $code
}

# wine32 beside wine64: 32-bit programs then run in a 64-bit prefix, as on 64-bit Windows.
install_wine32() {
    dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed" && return 0
    echo "installing: wine32:i386"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq wine32:i386 >/dev/null
}

# A private 64-bit wine prefix inside the build tree (with syswow64 where wine32 is there),
# the null display driver, and ANSI code page 936 through a private zh_CN locale; the server
# starts apart from ctest's pipes.
start_wine() {
    export WINEPREFIX=$PWD/$WIN64_DIR/wine WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml="
    # A prefix made before wine32 was installed has no 32-bit half: it is made anew.
    if [ -x "$WINE32" ] && [ -f "$WINEPREFIX/system.reg" ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        $WINE64 wineboot -i </dev/null >/dev/null 2>&1
        $WINE64 reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
        $WINESERVER -w
    fi
    local locales=$PWD/$WIN64_DIR/locale
    if [ ! -d "$locales/zh_CN.UTF-8" ]; then
        mkdir -p "$locales"
        # localedef answers 1 for mere warnings; the locale folder is what counts.
        localedef -i zh_CN -f UTF-8 "$locales/zh_CN.UTF-8" || [ -f "$locales/zh_CN.UTF-8/LC_CTYPE" ]
    fi
    WINE_LOCALE=(env LOCPATH="$locales" LC_ALL=zh_CN.UTF-8)
    # Answers non-zero when a server already runs: that one serves as well.
    $WINESERVER -p </dev/null >/dev/null 2>&1 || true
    "${WINE_LOCALE[@]}" $WINE64 cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# The marks of one build's vantrel.dll, loaded by a host under wine, beside the Linux build's:
# a property exam through the C host, and the example exam, effect criteria included, through
# a host that runs the studio in its own windows.
compare_marks() {  # compare_marks BUILD_DIR WINE
    local dir=$1 wine=$2
    [ -x "$BUILD_DIR/vantrel" ] || build
    local exam=$PWD/$dir/example-exam
    "$BUILD_DIR/make_example_exam" "$exam"
    local host key
    for host_and_key in vantrel_dll_host.exe:tests/win32/property-exam.key vantrel_effects_host.exe:examples/exam.key; do
        host=${host_and_key%%:*} key=${host_and_key#*:}
        for examinee in alice bob; do
            local linux windows
            linux=$("$BUILD_DIR/vantrel" grade "$key" --answers "$exam/answers/$examinee" --keys "$exam/keys")
            windows=$(cd "$dir/tests" && "${WINE_LOCALE[@]}" $wine "$host" "$(winepath -w "$PWD/../../$key")" \
                "$(winepath -w "$exam/answers/$examinee")" "$(winepath -w "$exam/keys")" </dev/null | tr -d '\r')
            echo "$key, $examinee: Linux $linux, $dir/vantrel.dll under wine $windows"
            awk -v a="$linux" -v b="$windows" 'BEGIN { exit !(a + 0 == b + 0) }' || { echo "the marks differ" >&2; return 1; }
        done
    done
}

# One build's Windows checks under wine: the Microsoft-ABI host, the marks, the test programs.
# Under load wine now and then fails to start a test program (it ends in a few hundredths of a
# second, printing nothing); such a test gets one more run.
run_under_wine() {  # run_under_wine BUILD_DIR WINE
    local dir=$1 wine=$2
    "${WINE_LOCALE[@]}" $wine "$dir/msvc-host/msvc_host.exe" </dev/null | tr -d '\r'
    compare_marks "$dir" "$wine"
    "${WINE_LOCALE[@]}" ctest --test-dir "$dir" -j2 --output-on-failure --repeat until-pass:2 --timeout 300
}

windows() {
    install_missing "${WINDOWS_PACKAGES[@]}"
    local runs32=false
    if runs_32bit_programs; then
        runs32=true
        install_wine32
        echo "== this machine runs 32-bit programs: the i686 tests run under wine32 (WoW64)"
    else
        echo "== this machine runs no 32-bit programs: the i686 DLL is checked from the outside, its code as 32-bit Linux programs under qemu"
    fi
    echo "== vantrel.dll for i686"
    if $runs32; then
        cross_build "$WIN32_DIR" mingw-w64-i686.cmake "${WIN_TEST_TARGETS[@]}" \
            -- -DVANTREL_TESTS=ON -DCMAKE_CROSSCOMPILING_EMULATOR=$WINE32
    else
        cross_build "$WIN32_DIR" mingw-w64-i686.cmake vantrel -- -DVANTREL_TESTS=OFF
    fi
    bash tests/win32/check_dll.sh i686 "$WIN32_DIR"
    echo "== vantrel.dll and the tests for x86_64"
    cross_build "$WIN64_DIR" mingw-w64-x86_64.cmake "${WIN_TEST_TARGETS[@]}" \
        -- -DVANTREL_TESTS=ON -DCMAKE_CROSSCOMPILING_EMULATOR=$WINE64
    bash tests/win32/check_dll.sh x86_64 "$WIN64_DIR"
    echo "== the portable tests as 32-bit Linux programs under qemu-i386-static"
    cross_build "$LINUX32_DIR" linux-i686.cmake vantrel_tests -- -DVANTREL_TESTS=ON
    local log=$LINUX32_DIR/ctest.log
    ctest --test-dir "$LINUX32_DIR" -j2 --output-on-failure >"$log" || { cat "$log"; return 1; }
    tail -n 3 "$log"
    start_wine
    trap '$WINESERVER -k 2>/dev/null || true' EXIT
    echo "== x86_64 under wine64"
    run_under_wine "$WIN64_DIR" $WINE64
    if $runs32; then
        echo "== i686 under wine32, in the 64-bit prefix"
        run_under_wine "$WIN32_DIR" $WINE32
    fi
}

case "${1:-}" in
run)
    install_missing
    build
    run_example
    ;;
test)
    install_missing
    build
    ctest --test-dir "$BUILD_DIR" --output-on-failure -j2
    ;;
bench)
    install_missing "${BENCH_PACKAGES[@]}"
    build
    "$BUILD_DIR/bench/vantrel_bench" "${@:2}"
    ;;
windows)
    windows
    ;;
*)
    echo "usage: bash dev.sh run | test | bench | windows" >&2
    exit 2
    ;;
esac
