#!/usr/bin/env bash
# Set-up, build and the two main jobs on a Debian 12 machine (as root, or with sudo):
#   bash dev.sh run     installs what is missing, builds, grades the example exam
#   bash dev.sh test    installs what is missing, builds, runs all tests
#   bash dev.sh bench   builds and runs the benchmarks
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(g++ cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev libpng-dev clang libclang-rt-14-dev
          libjpeg62-turbo-dev libgif-dev libtiff-dev)
# What the side-by-side scripts in bench/ run the studio against.
BENCH_PACKAGES=(hyperfine libjpeg-turbo-progs imagemagick python3-pil python3-numpy)
BUILD_DIR=${BUILD_DIR:-build}

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

build() {
    cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
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
*)
    echo "usage: bash dev.sh run | test | bench" >&2
    exit 2
    ;;
esac
