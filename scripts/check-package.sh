#!/usr/bin/env bash
# Checks the Debian package as a user meets it (run by `make check-package`,
# after `make package`):
#   1. the layout: every file in its place, owned by root, man pages gzipped
#      without name or time stamp, the icons at their sizes, the menu entry
#      and the AppStream data valid, the binaries stripped and free of the
#      build tree's run path;
#   2. every program of an unpacked tree runs through its own run path, with
#      LD_LIBRARY_PATH unset;
#   3. the menu entry's command, headless with a fresh HOME, makes the user's
#      data folder with Vanset.ini at the design size, and never rewrites an
#      existing Vanset.ini;
#   4. a station saved into that data folder as the planner saves it is found
#      by every tool run from another folder, and vantrel-track refuses to
#      start without one;
#   5. lintian reports no error.
# Usage: scripts/check-package.sh [BUILD-DIR]
set -euo pipefail

started=$SECONDS
build=$(cd "${1:-build}" && pwd)
app_id=org.tamsel.Vantrel
design_ini=$'[Position]\nLeft=10\nTop=10\nWidth=1048\nHeight=700'

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
deb="$build/vantrel_${version}_${arch}.deb"
[ -n "$version" ] && [ -f "$deb" ] || { echo "check-package: no package $deb (make package)" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-check-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok:   $*"; }

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
echo "Package $deb, unpacked in $root"

# --- 1. Layout -------------------------------------------------------------
triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
private="usr/lib/$triplet/vantrel"
programs=(vantrel vantrel-table vantrel-now vantrel-noise)
# The tracker is packaged where the tree builds it.
if [ -x "$build/vantrel-track" ]; then programs+=(vantrel-track); fi
if [ -x "$build/vantrel-power" ]; then programs+=(vantrel-power); fi
if [ -x "$build/vantrel-eme" ]; then programs+=(vantrel-eme); fi
if [ -x "$build/vantrel-scan" ]; then programs+=(vantrel-scan); fi
if [ -x "$build/vantrel-observe" ]; then programs+=(vantrel-observe); fi
if [ -x "$build/vantrel-sky" ]; then programs+=(vantrel-sky); fi

expected=(
    "$private/libOrbex_sunmoon.so" "$private/libVantrelHtmlHelp.so" "$private/vantrel-chm-reader"
    usr/share/vantrel/Vantrel.chm
    usr/share/vantrel/sky408/408mhz_ra_dec.fits usr/share/vantrel/sky408/408mhz_ra_dec_spectral_index.fits
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml"
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    usr/share/doc/vantrel/README.md usr/share/doc/vantrel/copyright usr/share/doc/vantrel/changelog.gz
)
icon_sizes=(16 22 24 32 48 64 128 256)
for size in "${icon_sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
for p in "${programs[@]}"; do
    expected+=("usr/bin/$p" "usr/share/man/man1/$p.1.gz")
done
for f in "${expected[@]}"; do
    [ -f "$root/$f" ] || fail "missing /$f"
done
# Nothing beyond what is expected, and nothing outside /usr.
unexpected=$(cd "$root" && find . -type f -printf '%P\n' | sort |
    comm -23 - <(printf '%s\n' "${expected[@]}" | sort))
[ -z "$unexpected" ] && pass "every file in its place, nothing else" ||
    fail "files not expected: $unexpected"
bad_owner=$(dpkg-deb -c "$deb" | awk '$2 != "root/root" {print $6}')
[ -z "$bad_owner" ] && pass "owned by root" || fail "not owned by root: $bad_owner"
# Folders 0755; programs (the ones in /usr/bin and the help file reader) 0755;
# every other file, the shared libraries included, 0644.
wrong_mode=$(cd "$root" && find . -mindepth 1 \( \( -type d ! -perm 0755 \) -o \
    \( -type f \( -path './usr/bin/*' -o -name vantrel-chm-reader \) ! -perm 0755 \) -o \
    \( -type f ! -path './usr/bin/*' ! -name vantrel-chm-reader ! -perm 0644 \) \) -printf '%P\n')
[ -z "$wrong_mode" ] && pass "modes 0755 (folders, programs), 0644 (other files)" ||
    fail "odd modes: $wrong_mode"

for p in "${programs[@]}"; do
    man="$root/usr/share/man/man1/$p.1.gz"
    [ -f "$man" ] || continue
    # gzip -9n: maximum compression, no original name, no time stamp.
    info=$(file -b "$man")
    if ! gzip -t "$man" || [[ "$info" != *"max compression"* ]] || [[ "$info" == *was* ]] ||
        [[ "$info" == *"last modified"* ]]; then
        fail "man page $p.1.gz is not gzip -9n ($info)"
    fi
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null || true)
    [ -z "$warnings" ] || fail "man page $p.1.gz: $warnings"
    zcat "$man" | grep -q '^\.TH ' || fail "man page $p.1.gz has no title (.TH)"
done
pass "man pages gzipped, rendered without warnings"

for size in "${icon_sizes[@]}"; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    [ -f "$png" ] && [[ "$(file -b "$png")" == "PNG image data, $size x $size,"* ]] ||
        fail "icon ${size}x${size} is not a $size x $size PNG"
done
pass "icons at their sizes"

desktop="$root/usr/share/applications/$app_id.desktop"
desktop-file-validate "$desktop" && pass "desktop entry valid" || fail "desktop entry invalid"
grep -qx 'Categories=HamRadio;Science;Astronomy;' "$desktop" || fail "desktop entry categories"
grep -qx "Icon=$app_id" "$desktop" || fail "desktop entry icon"
appstreamcli validate --no-net --no-color "$root/usr/share/metainfo/$app_id.metainfo.xml" >/dev/null &&
    pass "AppStream data valid" || fail "AppStream data invalid"

runpath="\$ORIGIN/../lib/$triplet/vantrel"
for p in "${programs[@]}"; do
    elf="$root/usr/bin/$p"
    [ -f "$elf" ] || continue
    got=$(readelf -d "$elf" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
    [ "$got" = "$runpath" ] || fail "$p: run path '$got', expected '$runpath'"
done
for elf in "$root/$private"/*; do
    if readelf -d "$elf" | grep -qE '\((RUNPATH|RPATH)\)'; then
        fail "$(basename "$elf") has a run path"
    fi
done
if grep -rlF "$build" "$root/usr/bin" "$root/$private" >/dev/null; then
    fail "a binary names the build tree: $(grep -rlF "$build" "$root/usr/bin" "$root/$private")"
fi
for elf in "$root/usr/bin"/* "$root/$private"/*; do
    [[ "$(file -b "$elf")" == *", stripped"* ]] || fail "$(basename "$elf") is not stripped"
done
pass "run paths relative, no build tree, stripped"

# --- 2. Programs of the unpacked tree ----------------------------------------
work="$scratch/work"
mkdir -p "$work"
run() { (cd "$work" && env -u LD_LIBRARY_PATH "$@"); }
for elf in "$root/usr/bin"/* "$root/$private"/*; do
    missing=$(env -u LD_LIBRARY_PATH ldd "$elf" | grep 'not found' || true)
    [ -z "$missing" ] || fail "$(basename "$elf"): $missing"
done
for p in "${programs[@]}"; do
    run "$root/usr/bin/$p" --help >/dev/null 2>"$scratch/help.log" && pass "$p --help" ||
        fail "$p --help: $(cat "$scratch/help.log")"
done
if out=$(run "$root/usr/bin/vantrel-now" 2>/dev/null) && grep -q 'Sun' <<<"$out"; then
    pass "vantrel-now"
else
    fail "vantrel-now"
fi
if out=$(run "$root/usr/bin/vantrel-table" --start 2015-01-01 --interval 60 --lat -33.9 \
    --lon 151.2 2>/dev/null) && [ "$(wc -l <<<"$out")" -eq 27 ]; then
    pass "vantrel-table prints a day's table (the sun/moon library loads)"
else
    fail "vantrel-table's table"
fi
if [ -x "$root/usr/bin/vantrel-track" ]; then
    # Without --source it must refuse (2), not fail to load (127).
    status=0
    run "$root/usr/bin/vantrel-track" >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ] && pass "vantrel-track refuses a missing --source" ||
        fail "vantrel-track exit status $status without arguments"
fi
if [ -x "$root/usr/bin/vantrel-power" ]; then
    # Without --input it must refuse (2), not fail to load (127); its
    # help names the issue's columns.
    status=0
    run "$root/usr/bin/vantrel-power" >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ] && pass "vantrel-power refuses a missing --input" ||
        fail "vantrel-power exit status $status without arguments"
    # The text is taken whole first: grep -q leaving early would end the
    # program with SIGPIPE, which pipefail counts as a failure.
    help=$(run "$root/usr/bin/vantrel-power" --help 2>/dev/null || true)
    grep -q "utc_start,utc_end,power_db" <<<"$help" &&
        pass "vantrel-power --help" || fail "vantrel-power --help"
fi
if [ -x "$root/usr/bin/vantrel-eme" ]; then
    # One instant for a station and a DX station given on the command line.
    run "$root/usr/bin/vantrel-eme" --lat 52 --lon 13 --dx EM13 --time 2026-03-21T20:00 \
        2>/dev/null | grep -q "^2026-03-21T20:00:00Z,.*,.*,.*,.*,.*,.*,.*,.*,.*,.*,.*$" &&
        pass "vantrel-eme's values" || fail "vantrel-eme's values"
fi
if [ -x "$root/usr/bin/vantrel-scan" ]; then
    # Without --procedure it must refuse (2), not fail to load (127); its
    # help names the cross-scan's columns.
    status=0
    run "$root/usr/bin/vantrel-scan" >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ] && pass "vantrel-scan refuses a missing --procedure" ||
        fail "vantrel-scan exit status $status without arguments"
    help=$(run "$root/usr/bin/vantrel-scan" --help 2>/dev/null || true)
    grep -q "source,az_offset_deg,az_offset_sigma_deg" <<<"$help" &&
        pass "vantrel-scan --help" || fail "vantrel-scan --help"
fi
if [ -x "$root/usr/bin/vantrel-observe" ]; then
    # Without a schedule it must refuse (2); its help names the step lines.
    status=0
    run "$root/usr/bin/vantrel-observe" >/dev/null 2>&1 || status=$?
    [ "$status" -eq 2 ] && pass "vantrel-observe refuses a missing schedule" ||
        fail "vantrel-observe exit status $status without arguments"
    help=$(run "$root/usr/bin/vantrel-observe" --help 2>/dev/null || true)
    grep -q "step,line,utc_start,utc_end,command,status,summary" <<<"$help" &&
        pass "vantrel-observe --help" || fail "vantrel-observe --help"
fi
if [ -x "$root/usr/bin/vantrel-sky" ]; then
    # The installed sky maps are found from the program's own folder.
    sky=$(run "$root/usr/bin/vantrel-sky" --frequency 408 --hpbw 2 --ra 17.76 --dec -29 --lat 52 \
        --lon 0 2>/dev/null || true)
    grep -q "^point,17.76000,-29.0000," <<<"$sky" &&
        pass "vantrel-sky reads the installed sky maps" || fail "vantrel-sky's sky maps"
fi

# --- 3. The menu entry's command, headless ------------------------------------
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
read -r -a command <<<"$exec_line"
command[0]="$root/usr/bin/${command[0]}"
# Runs the menu entry's command in HOME $1 for a few seconds, as a desktop
# would start it (in the home folder), then ends it. On a first start it shows
# "File not found" for the station and waits for OK, so it is ended rather
# than closed; still running at the end means it did not fail.
run_menu_entry() {
    local home=$1
    shift
    local status=0
    (cd "$home" && env -u LD_LIBRARY_PATH -u XDG_DATA_HOME HOME="$home" "$@" \
        QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$scratch/runtime" \
        timeout -k 2 4 "${command[@]}") >"$scratch/menu.log" 2>&1 || status=$?
    if [ "$status" -ne 124 ]; then
        fail "menu entry command ended by itself with status $status: $(cat "$scratch/menu.log")"
    fi
}
mkdir -p -m 0700 "$scratch/runtime"

home="$scratch/home"
mkdir -p "$home"
# The loader's trace shows where the help engine, loaded by name at start-up,
# was found: in the private folder, through the program's run path.
run_menu_entry "$home" LD_DEBUG=files
grep -qF "calling init: $root/usr/bin/../lib/$triplet/vantrel/libVantrelHtmlHelp.so" \
    "$scratch/menu.log" &&
    pass "the planner loads its help engine from $private" ||
    fail "the planner did not load $private/libVantrelHtmlHelp.so"
data="$home/.local/share/vantrel"
if [ -d "$data" ]; then
    mode=$(stat -c %a "$data")
    [ "$mode" = 700 ] || [ "$mode" = 755 ] || fail "data folder mode $mode"
    [ "$(cat "$data/Vanset.ini" 2>/dev/null)" = "$design_ini" ] &&
        pass "first start from the menu: $data with Vanset.ini at the design size" ||
        fail "Vanset.ini in $data is not the design size: $(cat "$data/Vanset.ini" 2>&1)"
else
    fail "first start from the menu made no $data"
fi
leftovers=$(find "$home" -maxdepth 1 -mindepth 1 ! -name .local ! -name .cache ! -name .config)
[ -z "$leftovers" ] || fail "the planner wrote into the home folder: $leftovers"

# XDG_DATA_HOME, and a Vanset.ini of the user's that must stay as it is.
home2="$scratch/home2"
own=$'[Position]\nLeft=200\nTop=100\nWidth=1200\nHeight=800'
mkdir -p "$home2/data/vantrel"
printf '%s\n' "$own" >"$home2/data/vantrel/Vanset.ini"
run_menu_entry "$home2" XDG_DATA_HOME="$home2/data"
[ "$(cat "$home2/data/vantrel/Vanset.ini")" = "$own" ] &&
    pass "XDG_DATA_HOME followed, the user's Vanset.ini kept" ||
    fail "the user's Vanset.ini was changed: $(cat "$home2/data/vantrel/Vanset.ini")"
[ ! -e "$home2/.local/share/vantrel" ] || fail "XDG_DATA_HOME was not followed"

# --- 4. The tools find the station saved from the menu --------------------------
# The station is saved into the data folder the menu start made, by the
# planner's own record writer (build/vantrel-save-station: a window cannot be
# clicked headless); each tool then runs in another folder with that HOME.
saver="$build/vantrel-save-station"
elsewhere="$scratch/elsewhere"
mkdir -p "$elsewhere"
tool() { (cd "$elsewhere" && env -u LD_LIBRARY_PATH -u XDG_DATA_HOME HOME="$1" "${@:2}"); }
if [ ! -x "$saver" ]; then
    fail "no $saver to save a station with (make check-package builds it)"
elif ! "$saver" "$data" 52.37 4.9 PA0TST 2>/dev/null; then
    fail "could not save a station into $data"
else
    said="reading $data/Vantrel.dat"
    if out=$(tool "$home" "$root/usr/bin/vantrel-now" 2>"$scratch/tool.log") &&
        grep -q 'latitude 52.3700  longitude 4.9000' <<<"$out" && grep -qF "$said" "$scratch/tool.log"; then
        pass "vantrel-now finds the station saved from the menu"
    else
        fail "vantrel-now did not find $data/Vantrel.dat: $(cat "$scratch/tool.log")"
    fi
    for args in "vantrel-table --start 2026-01-01 --interval 720" \
        "vantrel-noise --frequency 1420 --gain 30 --tsys 100"; do
        read -r -a words <<<"$args"
        if tool "$home" "$root/usr/bin/${words[0]}" "${words[@]:1}" >/dev/null 2>"$scratch/tool.log" &&
            grep -qF "$said" "$scratch/tool.log" && ! grep -q 'File not found' "$scratch/tool.log"; then
            pass "${words[0]} finds the station saved from the menu"
        else
            fail "${words[0]} did not find $data/Vantrel.dat: $(cat "$scratch/tool.log")"
        fi
    done
    if [ -x "$root/usr/bin/vantrel-track" ]; then
        # With the station it starts and keeps trying a rotator that is not
        # there (port 9 of loopback: refused) until it is ended.
        status=0
        tool "$home" timeout -k 2 3 "$root/usr/bin/vantrel-track" --source sun \
            --device 127.0.0.1:9 >/dev/null 2>"$scratch/tool.log" || status=$?
        [ "$status" -eq 124 ] && grep -qF "$said" "$scratch/tool.log" &&
            pass "vantrel-track starts with the station saved from the menu" ||
            fail "vantrel-track with the saved station: status $status, $(cat "$scratch/tool.log")"
        # Without any station it refuses, in one line, before any rotator.
        empty="$scratch/home-without-station"
        mkdir -p "$empty"
        status=0
        tool "$empty" timeout -k 2 3 "$root/usr/bin/vantrel-track" --source sun \
            --device 127.0.0.1:9 >/dev/null 2>"$scratch/tool.log" || status=$?
        [ "$status" -eq 2 ] && [ "$(wc -l <"$scratch/tool.log")" -eq 1 ] &&
            pass "vantrel-track refuses to start without a station" ||
            fail "vantrel-track without a station: status $status, $(cat "$scratch/tool.log")"
    fi
fi

# --- 5. lintian ----------------------------------------------------------------
if lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1; then
    pass "lintian: no errors"
else
    fail "lintian reports errors"
fi
grep -E '^[EW]:' "$scratch/lintian.log" || true

elapsed=$((SECONDS - started))
if [ "$failures" -ne 0 ]; then
    echo "check-package: $failures failure(s) in ${elapsed} s" >&2
    exit 1
fi
echo "check-package: the package is sound (${elapsed} s)"
