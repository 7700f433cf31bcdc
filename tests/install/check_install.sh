#!/usr/bin/env bash
# The program as a user gets it. "prefix": the build tree installed with
# cmake --install into a scratch prefix. "deb": the .deb package built with
# cpack and unpacked with dpkg-deb -x. Both trees get the same checks: the
# files in place, a valid desktop entry and AppStream metadata, manual pages
# that render cleanly and cover every option and command of --help, --version,
# a full clone read by the installed dorvel-adj-cli from the installed
# dorvel-sim, and the demo finding the simulator beside the installed window.
#
# Usage: check_install.sh prefix|deb BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
mode=$1 build=$2 source=$3 version=$4
app=org.example.DorvelAdj
programs=(dorvel-adj dorvel-adj-cli dorvel-sim)

scratch=$(mktemp -d /tmp/dorvel-install-XXXXXX)
chmod 755 "$scratch"   # man drops root's privileges to read pages
sim_pid=
cleanup() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The page as plain text on one long line per paragraph, unhyphenated.
man_text() {
    zcat "$1" | groff -man -Tascii -rLL=2000n -rHY=0 -P-cbou 2>/dev/null
}

# What a program's --help names: its --options, its commands (lines "  word
# ..."), the items of its "a | b | c" lists and its list of faults.
help_names() {
    local help
    help=$("$1" --help)
    grep -o -- '--[a-z][a-z-]*' <<<"$help" || true
    sed -n 's/^  \([a-z][a-z]*\) .*/\1/p' <<<"$help"
    grep -- ' | ' <<<"$help" | sed 's/^.*: //' | tr '|' '\n' | awk 'NF { print $1 }'
    sed -n 's/.*(repeatable): //p' <<<"$help" | tr ',' '\n' | awk 'NF { print $1 }'
}

check_files() {
    local root=$1 f
    for f in "${programs[@]}"; do
        [ -x "$root/bin/$f" ] || fail "bin/$f is missing"
        [ -f "$root/share/man/man1/$f.1.gz" ] || fail "share/man/man1/$f.1.gz is missing"
    done
    for f in applications/$app.desktop icons/hicolor/scalable/apps/$app.svg metainfo/$app.metainfo.xml \
             doc/dorvel-adj/copyright; do
        [ -s "$root/share/$f" ] || fail "share/$f is missing"
    done
    grep -q '<svg' "$root/share/icons/hicolor/scalable/apps/$app.svg" || fail "the icon is no SVG"
    for f in "$source"/procedures/*.yaml; do
        cmp -s "$f" "$root/share/dorvel-adj/procedures/${f##*/}" || fail "share/dorvel-adj/procedures/${f##*/} is missing"
    done
}

check_desktop_entry() {
    local root=$1 entry=$1/share/applications/$app.desktop out exec icon
    out=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $out"
    [ -z "$out" ] || fail "desktop-file-validate: $out"
    [ "$(sed -n 's/^Name=//p' "$entry")" = "Dorvel ADJ Rev.1.0" ] || fail "the entry's Name is not the window's title"
    exec=$(sed -n 's/^Exec=//p' "$entry")
    [ -x "$root/bin/${exec%% *}" ] || fail "Exec=$exec is not an installed program"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not the installed icon"
}

check_metainfo() {
    local root=$1 out
    # validate-tree also checks that the launchable desktop entry is there.
    out=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli: $out"
    grep -q "<release version=\"$version\"" "$root/share/metainfo/$app.metainfo.xml" ||
        fail "the metadata has no release $version"
}

check_manual_pages() {
    local root=$1 p page out text name
    for p in "${programs[@]}"; do
        page=$root/share/man/man1/$p.1.gz
        [ "$(man -M "$root/share/man" -w "$p")" = "$page" ] || fail "man does not find $p"
        out=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 2>&1)
        [ -z "$out" ] || fail "$p.1: $out"
        [[ "$(zcat "$page")" == *"\"Dorvel ADJ $version\" \"User Commands\""* ]] || fail "$p.1 is not of version $version"
        text=$(man_text "$page")
        while read -r name; do
            grep -qF -- "$name" <<<"$text" || fail "$p.1 does not describe '$name' of $p --help"
        done < <(help_names "$root/bin/$p" | sort -u)
    done
}

# --version: one line, status 0, nothing on stderr; the window's without a
# display, and touching no settings file, lock or user folder.
check_version() {
    local root=$1 p out home=$scratch/home
    mkdir -p "$home"
    for p in "${programs[@]}"; do
        out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/config" \
              XDG_RUNTIME_DIR="$home/run" "$root/bin/$p" --version 2>"$scratch/err") || fail "$p --version failed"
        [ "$out" = "$p $version" ] || fail "$p --version printed '$out'"
        [ ! -s "$scratch/err" ] || fail "$p --version: $(cat "$scratch/err")"
    done
    [ -z "$(ls -A "$home")" ] || fail "--version wrote into the user's folders: $(ls -A "$home")"
    [ ! -e "$root/bin/Velmara.rs" ] || fail "--version wrote a settings file"
}

check_clone_read() {
    local root=$1 dev= i
    "$root/bin/dorvel-sim" --write-image "$scratch/ref.bin" || fail "dorvel-sim --write-image failed"
    "$root/bin/dorvel-sim" --fast >"$scratch/sim.out" </dev/null &
    sim_pid=$!
    for i in $(seq 100); do
        dev=$(head -n 1 "$scratch/sim.out")
        [ -n "$dev" ] && break
        sleep 0.1
    done
    [ -n "$dev" ] || fail "dorvel-sim printed no device"
    "$root/bin/dorvel-adj-cli" read --device "$dev" --out "$scratch/radio.bin" || fail "the clone read failed"
    cmp "$scratch/radio.bin" "$scratch/ref.bin" || fail "the image read differs from the simulator's"
    kill "$sim_pid"
    wait "$sim_pid" || true
    sim_pid=
    rm -f "$scratch/radio.bin" "$scratch/ref.bin"
}

# The demo finds the simulated radio beside the program or on PATH and
# shows its window; PATH decides where dorvel-sim may come from.
check_demo() {
    local window=$1 path=$2
    QT_QPA_PLATFORM=offscreen PATH=$path "$window" --demo --exit-when-shown >"$scratch/out" 2>"$scratch/err" ||
        fail "$window --demo with PATH=$path: $(cat "$scratch/err")"
    grep -q "^dorvel-adj: demo on the simulated radio at /dev/" "$scratch/out" ||
        fail "$window --demo did not start the simulated radio: $(cat "$scratch/out" "$scratch/err")"
}

check_tree() {
    local root=$1
    check_files "$root"
    check_desktop_entry "$root"
    check_metainfo "$root"
    check_manual_pages "$root"
    check_version "$root"
    check_clone_read "$root"
    check_demo "$root/bin/dorvel-adj" /usr/bin:/bin
}

case $mode in
prefix)
    cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" ||
        fail "cmake --install: $(cat "$scratch/install.log")"
    check_tree "$scratch/prefix"
    # A window copied elsewhere takes the simulator from PATH.
    mkdir "$scratch/solo"
    cp "$scratch/prefix/bin/dorvel-adj" "$scratch/solo/"
    check_demo "$scratch/solo/dorvel-adj" "$scratch/prefix/bin:/usr/bin:/bin"
    ;;
deb)
    cpack --config "$build/CPackConfig.cmake" -B "$scratch/cpack" >"$scratch/cpack.log" 2>&1 ||
        fail "cpack: $(cat "$scratch/cpack.log")"
    deb=$(ls "$scratch"/cpack/dorvel-adj_"$version"_*.deb)
    field() { dpkg-deb -f "$deb" "$1"; }
    [ "$(field Package)" = dorvel-adj ] || fail "Package: $(field Package)"
    [ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
    [ "$(field Maintainer)" = "Dorvel ADJ developers <dorvel-adj@example.org>" ] || fail "Maintainer: $(field Maintainer)"
    depends=$(field Depends)
    for lib in libqt6core6 libqt6widgets6 libqt6serialport6 libstdc++6; do
        [[ "$depends" == *"$lib (>="* ]] || fail "Depends lacks $lib: $depends"
    done
    dpkg-deb -c "$deb" | awk '$2 != "root/root" || $6 !~ /^\.\/(usr\/.*)?$/ { print; bad = 1 } END { exit bad }' ||
        fail "files outside /usr or not owned by root"
    dpkg-deb -x "$deb" "$scratch/root"
    root=$scratch/root/usr
    for p in "${programs[@]}"; do
        [[ "$(readelf -S "$root/bin/$p")" != *.debug_info* ]] || fail "$p is not stripped"
    done
    cmp "$root/share/doc/dorvel-adj/copyright" "$source/LICENSE" || fail "the copyright file is not the licence"
    [[ "$(zcat "$root/share/doc/dorvel-adj/changelog.gz")" == "dorvel-adj ($version) "* ]] ||
        fail "the changelog's latest entry is not version $version"
    check_tree "$root"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "install $mode: all checks passed"
