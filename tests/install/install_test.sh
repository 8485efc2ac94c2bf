#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user or a developer would.
#
#   install_test.sh tree|desktop|example|package BUILD_DIR SOURCE_DIR CXX SANITIZE
#
#   tree     the installed files, the soname, no RPATH into the build; the installed rouvel's
#            init and quote with --db, with ROUVEL_DB and with neither; it never writes beside
#            itself
#   desktop  the installed desktop entry passes desktop-file-validate; its icon is installed
#   example  examples/invoice builds and runs against the prefix, through find_package and
#            through pkg-config
#   package  the Debian packages of CPack hold each file, with computed dependencies
#
# Exit 77 (CTest's skip) only when a tool the check needs is not installed.
set -euo pipefail

mode=$1
build=$(cd "$2" && pwd)
source_dir=$(cd "$3" && pwd)
cxx=$4
sanitize=$5

work=$(mktemp -d /tmp/rouvel-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIP: $*"
    exit 77
}
need_tool() {
    command -v "$1" >/dev/null || skip "$1 is not installed (package $2)"
}
# Runs a command and fails with its output unless it exits with the expected code.
expect_exit() {
    local expected=$1
    shift
    local code=0
    "$@" >"$work/out" 2>"$work/err" || code=$?
    if [ "$code" -ne "$expected" ]; then
        cat "$work/out" "$work/err" >&2
        fail "exit $code, not $expected: $*"
    fi
}
contains() {
    grep -qF -- "$2" "$1" || { cat "$1" >&2; fail "$1 lacks \"$2\""; }
}

install_prefix() {
    cmake --install "$build" --prefix "$prefix" >/dev/null
    libdir=$(cd "$prefix" && dirname "$(find . -name 'libVellumPrint.so.1' | head -n 1)")
    libdir=${libdir#./}
    [ -n "$libdir" ] || fail "no libVellumPrint.so.1 installed"
}

# A fresh user: own home, nothing inherited that could choose a database.
as_user() {
    env -u ROUVEL_DB -u XDG_DATA_HOME HOME="$work/home" LC_ALL=C.UTF-8 \
        QT_QPA_PLATFORM=offscreen "$@"
}

check_tree() {
    install_prefix
    local file
    for file in bin/rouvel "$libdir/libVellumPrint.so.1" "$libdir/libVellumPrint.so" \
        include/VellumPrint/VellumPrinter.h include/VellumPrint/VellumError.h \
        include/VellumPrint/VellumPrintGlobal.h \
        "$libdir/cmake/VellumPrint/VellumPrintConfig.cmake" \
        "$libdir/cmake/VellumPrint/VellumPrintConfigVersion.cmake" \
        "$libdir/pkgconfig/VellumPrint.pc" share/applications/rouvel.desktop \
        share/icons/hicolor/scalable/apps/rouvel.svg share/rouvel/rouvel.hlp; do
        [ -e "$prefix/$file" ] || fail "$file is not installed"
    done
    [ ! -e "$prefix/bin/rouvel.hlp" ] || fail "the guide is installed beside the program"

    readelf -d "$prefix/$libdir/libVellumPrint.so.1" >"$work/dyn"
    contains "$work/dyn" "Library soname: [libVellumPrint.so.1]"
    readelf -d "$prefix/bin/rouvel" >"$work/dyn"
    contains "$work/dyn" "Shared library: [libVellumPrint.so.1]"
    local elf
    for elf in "$prefix/bin/rouvel" "$prefix/$libdir/libVellumPrint.so.1"; do
        if readelf -d "$elf" | grep -E 'R(UN)?PATH' | grep -qE "$build|$source_dir"; then
            readelf -d "$elf" | grep -E 'R(UN)?PATH' >&2
            fail "$elf has a run path into the build tree"
        fi
    done

    # Everything the runs below may write goes elsewhere; the prefix must stay as installed.
    local before=$work/before
    (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort) >"$before"
    cd "$prefix/bin"
    local rouvel=$prefix/bin/rouvel
    local quote=(quote --weight 1200 --pallets 3 --destination "NEW YORK" --json)

    # --db
    expect_exit 0 as_user "$rouvel" init --db "$work/given.rvl" --sample
    contains "$work/out" "Created $work/given.rvl"
    expect_exit 0 as_user "$rouvel" "${quote[@]}" --db "$work/given.rvl"
    contains "$work/out" '"destName": "NEW YORK"'

    # ROUVEL_DB, also for the --help text
    expect_exit 0 as_user env ROUVEL_DB="$work/env.rvl" "$rouvel" init --sample
    contains "$work/out" "Created $work/env.rvl"
    expect_exit 0 as_user env ROUVEL_DB="$work/env.rvl" "$rouvel" "${quote[@]}"
    contains "$work/out" '"destName": "NEW YORK"'
    expect_exit 0 as_user env ROUVEL_DB="$work/env.rvl" "$rouvel" --help
    contains "$work/out" "Database file: $work/env.rvl (given by ROUVEL_DB)"
    contains "$work/out" "User guide:    $prefix/share/rouvel/rouvel.hlp"

    # Neither: $XDG_DATA_HOME/rouvel, the folder made with the file
    expect_exit 0 as_user env XDG_DATA_HOME="$work/xdg" "$rouvel" init --sample
    contains "$work/out" "Created $work/xdg/rouvel/rouvel.rvl"
    expect_exit 0 as_user env XDG_DATA_HOME="$work/xdg" "$rouvel" "${quote[@]}"
    contains "$work/out" '"destName": "NEW YORK"'
    expect_exit 2 as_user env XDG_DATA_HOME="$work/xdg" "$rouvel" init
    contains "$work/err" "already exists"

    # Neither and XDG_DATA_HOME unset: ~/.local/share/rouvel
    expect_exit 0 as_user "$rouvel" --help
    contains "$work/out" "Database file: $work/home/.local/share/rouvel/rouvel.rvl (in the user's data folder)"
    expect_exit 2 as_user "$rouvel" "${quote[@]}"
    contains "$work/err" "$work/home/.local/share/rouvel/rouvel.rvl"
    expect_exit 0 as_user "$rouvel" init
    contains "$work/out" "Created $work/home/.local/share/rouvel/rouvel.rvl"

    # The windows: with a database they stay up until ended; without one they wait on the
    # question. Either way nothing lands beside the program.
    expect_exit 124 as_user timeout 8 "$rouvel"
    expect_exit 124 as_user env XDG_DATA_HOME="$work/empty" timeout 8 "$rouvel"
    [ ! -e "$work/empty/rouvel/rouvel.rvl" ] || fail "a database was made without a choice"
    expect_exit 124 as_user timeout 8 "$rouvel" --db "$work/given.rvl"
    cd "$work"

    (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort) >"$work/after"
    if ! diff -u "$before" "$work/after" >&2; then
        fail "the installed rouvel wrote into its installation"
    fi
}

check_desktop() {
    need_tool desktop-file-validate desktop-file-utils
    install_prefix
    local entry=$prefix/share/applications/rouvel.desktop
    desktop-file-validate "$entry" || fail "desktop-file-validate refuses rouvel.desktop"
    grep -qx 'Exec=rouvel' "$entry" || fail "the entry does not start rouvel"
    local icon
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "icon $icon missing"
}

check_example() {
    install_prefix
    local flags=()
    # A library built with the sanitizers needs their run-time in the program too.
    if [ "$sanitize" = ON ]; then
        flags=(-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined
            -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined)
    fi
    cmake -S "$source_dir/examples/invoice" -B "$work/example" -G Ninja \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" "${flags[@]}" >"$work/log" \
        || { cat "$work/log" >&2; fail "the example does not configure"; }
    cmake --build "$work/example" >"$work/log" 2>&1 \
        || { cat "$work/log" >&2; fail "the example does not build"; }
    expect_exit 0 env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
        "$work/example/invoice" "$work/cmake.txt"
    contains "$work/out" "2 pages written to $work/cmake.txt"
    check_invoice "$work/cmake.txt"

    need_tool pkg-config pkgconf
    local pkg
    pkg=$(PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig" pkg-config --cflags --libs VellumPrint \
        Qt6Widgets) || fail "pkg-config does not find VellumPrint"
    local cxxflags=()
    [ "$sanitize" = ON ] && cxxflags=(-fsanitize=address,undefined)
    # shellcheck disable=SC2086 # pkg-config's output is a list of flags
    "$cxx" -std=c++17 "${cxxflags[@]}" "$source_dir/examples/invoice/invoice.cpp" \
        -o "$work/invoice-pc" $pkg || fail "the example does not build through pkg-config"
    expect_exit 0 env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen \
        LD_LIBRARY_PATH="$prefix/$libdir" "$work/invoice-pc" "$work/pc.txt"
    cmp -s "$work/cmake.txt" "$work/pc.txt" || fail "the two builds export different texts"
}

check_invoice() {
    contains "$1" "INVOICE 1024"
    contains "$1" "Northern Freight Ltd"
    contains "$1" "Total due: 818.48 \$"
    contains "$1" "the carrier named on the bill of lading."
    [ "$(grep -c $'\f' "$1")" -eq 2 ] || fail "$1 does not hold two pages"
}

check_package() {
    need_tool dpkg-deb dpkg
    need_tool dpkg-shlibdeps dpkg-dev
    need_tool cpack cmake
    cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/log" 2>&1 \
        || { cat "$work/log" >&2; fail "cpack failed"; }
    local version
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
    local arch
    arch=$(dpkg --print-architecture)
    local runtime=$work/deb/rouvel_${version}_$arch.deb
    local dev=$work/deb/libvellumprint-dev_${version}_$arch.deb
    [ -f "$runtime" ] && [ -f "$dev" ] || { ls "$work/deb" >&2; fail "packages not named as expected"; }

    dpkg-deb -c "$runtime" | awk '{ print $6 }' >"$work/runtime.list"
    dpkg-deb -c "$dev" | awk '{ print $6 }' >"$work/dev.list"
    local file
    for file in /bin/rouvel '/libVellumPrint.so.1$' '/libVellumPrint.so.1.0$' \
        /share/applications/rouvel.desktop /share/icons/hicolor/scalable/apps/rouvel.svg \
        /share/rouvel/rouvel.hlp; do
        grep -qE -- "$file" "$work/runtime.list" || fail "rouvel lacks $file"
    done
    for file in /include/VellumPrint/VellumPrinter.h /include/VellumPrint/VellumError.h \
        /include/VellumPrint/VellumPrintGlobal.h /cmake/VellumPrint/VellumPrintConfig.cmake \
        /cmake/VellumPrint/VellumPrintConfigVersion.cmake \
        /cmake/VellumPrint/VellumPrintTargets.cmake /pkgconfig/VellumPrint.pc \
        '/libVellumPrint.so$'; do
        grep -qE -- "$file" "$work/dev.list" || fail "libvellumprint-dev lacks $file"
    done
    ! grep -qE '/include/|\.pc$|/cmake/' "$work/runtime.list" || fail "rouvel holds development files"
    ! grep -qE 'bin/rouvel|\.so\.1' "$work/dev.list" || fail "libvellumprint-dev holds run-time files"

    dpkg-deb -f "$runtime" Version Depends >"$work/control"
    contains "$work/control" "Version: $version"
    # Computed from the binaries, not written by hand.
    contains "$work/control" "libqt6widgets6"
    contains "$work/control" "libc6"
    contains "$work/control" "libqt6sql6-sqlite"
    dpkg-deb -f "$dev" Depends >"$work/control"
    contains "$work/control" "rouvel (= $version)"
}

case $mode in
tree) check_tree ;;
desktop) check_desktop ;;
example) check_example ;;
package) check_package ;;
*) fail "unknown check $mode" ;;
esac
echo "PASS: $mode"
