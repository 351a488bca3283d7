#!/usr/bin/env bash
# Installs a build into a staging prefix and checks what a Debian desktop
# expects of it: exactly the files below, each valid for the tool that reads
# it, programs that run without the build folder, and a manual page that
# says what --help says. With --deb it also checks the package built by
# `make package` against the same staged install.
# Usage: install_test.sh BUILD-FOLDER [--deb]
set -uo pipefail

build=$(realpath "$1")
check_deb=${2:-}
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
source_dir=$(cache_value CMAKE_HOME_DIRECTORY)
version=$(cache_value CMAKE_PROJECT_VERSION)
cmake=$(cache_value CMAKE_COMMAND)

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for tool in desktop-file-validate appstreamcli man groff rsvg-convert compare identify readelf ldd xvfb-run xprop; do
    command -v "$tool" >/dev/null || { echo "missing tool $tool (scripts/install-deps installs it)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
"$cmake" --install "$build" --prefix "$stage/usr" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }
usr=$stage/usr

# --- Every file, and nothing else -----------------------------------------
sizes="16 32 48 64 128 256"
{
    echo usr/bin/pixmold
    echo usr/bin/pixmold-batch
    echo usr/share/applications/pixmold.desktop
    echo usr/share/kio/servicemenus/pixmold-resize.desktop
    echo usr/share/nautilus-python/extensions/pixmold.py
    for s in $sizes; do echo "usr/share/icons/hicolor/${s}x${s}/apps/pixmold.png"; done
    echo usr/share/icons/hicolor/scalable/apps/pixmold.svg
    echo usr/share/man/man1/pixmold-batch.1.gz
    echo usr/share/man/man1/pixmold.1.gz
    echo usr/share/metainfo/example.pixmold.Pixmold.metainfo.xml
} | sort >"$work/expected"
(cd "$stage" && find . -type f -printf '%P\n' -o -type l -printf '%P\n' | sort) >"$work/staged"
diff -u "$work/expected" "$work/staged" >"$work/list.diff" || { cat "$work/list.diff"; fail "installed files"; }
for program in "$usr"/bin/*; do [[ -x "$program" ]] || fail "$program is not executable"; done

# --- Icons: the program's own artwork --------------------------------------
icons=$usr/share/icons/hicolor
for s in $sizes; do
    got=$(identify -format '%wx%h %A' "$icons/${s}x${s}/apps/pixmold.png" 2>&1)
    [[ "$got" == "${s}x${s} True" ]] || fail "${s}x${s} icon is \"$got\", wanted ${s}x${s} with transparency"
done
# The window's own icon carries the same drawing at 16 and 32 pixels.
for entry in "16 0" "32 1"; do
    read -r s index <<<"$entry"
    differ=$(compare -metric AE "$icons/${s}x${s}/apps/pixmold.png" "$source_dir/app/artwork/app.ico[$index]" null: 2>&1)
    [[ "$differ" == 0 ]] || fail "${s}x${s} icon differs from the program's icon in $differ pixels"
done
# The scalable icon is the same drawing: rendered at 64 pixels it may differ
# only in the shading of a few edge pixels.
rsvg-convert -w 64 -h 64 "$icons/scalable/apps/pixmold.svg" -o "$work/svg64.png" || fail "rsvg-convert"
differ=$(compare -metric AE -fuzz 20% "$work/svg64.png" "$icons/64x64/apps/pixmold.png" null: 2>&1)
[[ "$differ" =~ ^[0-9]+$ && "$differ" -lt 8 ]] || fail "the SVG icon differs from the PNG drawing in $differ pixels"

# --- Menu entry and software-centre description ----------------------------
desktop=$usr/share/applications/pixmold.desktop
out=$(desktop-file-validate "$desktop" 2>&1) && [[ -z "$out" ]] || fail "desktop-file-validate: $out"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[[ -x "$usr/bin/${exec_line%% *}" ]] || fail "Exec=$exec_line names no installed program"
[[ "$exec_line" == *" %F"* ]] || fail "Exec=$exec_line does not take the opened files (%F)"
# "Open with" offers Pixmold for every picture type it takes: each extension
# that --help names is, for the shared MIME database, one of the entry's types.
mime_types=$(sed -n 's/^MimeType=//p' "$desktop")
"$usr/bin/pixmold-batch" --help | grep -oE '(^|[ (])\.[a-z0-9]{3,4}\b' | tr -d ' (' | sort -u >"$work/taken.ext"
out=$(/usr/bin/python3 - "$mime_types" $(cat "$work/taken.ext") 2>&1 <<'PY'
import sys
from gi.repository import Gio
listed = [t for t in sys.argv[1].split(";") if t]
for ext in sys.argv[2:]:
    guessed = Gio.content_type_guess("picture" + ext, None)[0]
    if not any(Gio.content_type_is_a(guessed, t) for t in listed):
        print(f"{ext} ({guessed}) is not in MimeType")
PY
) || fail "checking MimeType: $out"
[[ -z "$out" ]] || fail "$out"
[[ $(wc -l <"$work/taken.ext") -ge 8 ]] || fail "found only these extensions in --help: $(cat "$work/taken.ext")"

# KDE's service menu: a format of KDE's own, which desktop-file-validate
# knows only for applications (its MimeType and Actions keys); no other
# complaint. It offers the entry's picture types and folders.
service=$usr/share/kio/servicemenus/pixmold-resize.desktop
out=$(desktop-file-validate "$service" 2>&1 | grep -v -E 'key "(MimeType|Actions)" is present in group "Desktop Entry", but the type is "Service"')
[[ -z "$out" ]] || fail "desktop-file-validate $(basename "$service"): $out"
grep -qx 'X-KDE-ServiceTypes=KonqPopupMenu/Plugin' "$service" || fail "the service menu is no KonqPopupMenu plugin"
[[ "$(sed -n 's/^MimeType=//p' "$service")" == "${mime_types}inode/directory;" ]] ||
    fail "the service menu's types differ from the menu entry's and folders"
grep -q '^Name=Resize with Pixmold$' "$service" || fail "the service menu's item is not \"Resize with Pixmold\""
/usr/bin/python3 -c 'import ast, sys; ast.parse(open(sys.argv[1]).read())' \
    "$usr/share/nautilus-python/extensions/pixmold.py" || fail "the Nautilus extension is no Python"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f "$icons/256x256/apps/$icon.png" && -f "$icons/scalable/apps/$icon.svg" ]] || fail "Icon=$icon is not installed"

metainfo=$usr/share/metainfo/example.pixmold.Pixmold.metainfo.xml
out=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $out"
grep -E '^[EW]:' <<<"$out" && fail "appstreamcli validate reports errors or warnings"
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$metainfo" ||
    fail "the metainfo's launchable is not the installed menu entry"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
for binary in $(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo"); do
    [[ -x "$usr/bin/$binary" ]] || fail "the metainfo provides $binary, which is not installed"
done

# --- Manual pages -----------------------------------------------------------
for page in "$usr"/share/man/man1/*.gz; do
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z "$out" ]] || fail "man --warnings $(basename "$page"): $out"
    out=$(zcat "$page" | groff -ww -mandoc -z 2>&1)
    [[ -z "$out" ]] || fail "groff -ww $(basename "$page"): $out"
    zcat "$page" | grep -q "^\.TH .*\"Pixmold $version\"" || fail "$(basename "$page") is not for version $version"
done

# --- The programs run from the install alone --------------------------------
for program in "$usr"/bin/*; do
    readelf -d "$program" | grep -E 'RPATH|RUNPATH' && fail "$program looks for libraries in a fixed folder"
    ldd "$program" | grep 'not found' && fail "$program misses a library"
    grep -q -F "$build" "$program" && fail "$program refers to the build folder $build"
done
batch=$usr/bin/pixmold-batch
mkdir "$work/run"
out=$(cd "$work/run" && "$batch" --version) || fail "pixmold-batch --version exits with $?"
[[ "$out" == "pixmold-batch $version" ]] || fail "pixmold-batch --version says \"$out\""
cp "$source_dir/tests/data/batch/base.jpg" "$work/run/photo.jpg"
(cd "$work/run" && "$batch" --mode free --width 8 --height 6 --format png --prefix small_ photo.jpg 2>/dev/null) ||
    fail "the installed pixmold-batch failed to resize a picture"
got=$(identify -format '%m %wx%h' "$work/run/small_photo.png" 2>&1)
[[ "$got" == "PNG 8x6" ]] || fail "the installed pixmold-batch wrote \"$got\", wanted an 8x6 PNG"
# The HEVC and AV1 decoders that libheif needs are there at run time too.
for f in heic-lossy.heic avif-lossy.avif; do
    cp "$source_dir/tests/data/image/$f" "$work/run/$f"
    (cd "$work/run" && "$batch" --mode free --width 8 --height 6 --format png --prefix small_ "$f" 2>/dev/null) ||
        fail "the installed pixmold-batch failed to read $f"
    got=$(identify -format '%m %wx%h' "$work/run/small_${f%.*}.png" 2>&1)
    [[ "$got" == "PNG 8x6" ]] || fail "the installed pixmold-batch wrote \"$got\" from $f, wanted an 8x6 PNG"
done
xvfb-run -a -s "-screen 0 1280x1024x24" "$source_dir/tests/packaging/installed_window.sh" "$usr/bin/pixmold" "$desktop" ||
    fail "the installed window program"
xvfb-run -a -s "-screen 0 1280x1024x24" "$source_dir/tests/packaging/installed_open_with.sh" "$usr" ||
    fail "opening pictures with the installed program"

# --- --help and the manual page name the same options ----------------------
# An option alone, or with the value it takes (FILE, N, rel|free, 0-10).
options() { grep -oE -- '--[a-z][a-z-]*( ([A-Z]+|[a-z0-9]+[|-][a-z0-9|-]+))?' | sort -u; }
"$batch" --help | options >"$work/help.all"
LC_ALL=C MANWIDTH=200 man -l "$usr/share/man/man1/pixmold-batch.1.gz" 2>/dev/null | col -b | options >"$work/man.all"
for f in help man; do
    sed 's/ .*//' "$work/$f.all" | sort -u >"$work/$f.names"
    grep ' ' "$work/$f.all" >"$work/$f.values" || true
done
[[ $(wc -l <"$work/help.names") -ge 10 ]] || fail "found only these options in --help: $(cat "$work/help.names")"
for kind in names values; do
    diff -u --label --help "$work/help.$kind" --label 'man pixmold-batch' "$work/man.$kind" >"$work/options.diff" ||
        { cat "$work/options.diff"; fail "--help and the manual page differ in their options ($kind)"; }
done

# --- ... and the same picture extensions ----------------------------------
extensions() { grep -oE '(^|[ (])\.[a-z0-9]{3,4}\b' | tr -d ' (' | sort -u; }
"$batch" --help | extensions >"$work/help.ext"
LC_ALL=C MANWIDTH=200 man -l "$usr/share/man/man1/pixmold-batch.1.gz" 2>/dev/null | col -b | sed -n '/^DESCRIPTION/,/^[A-Z]/p' |
    grep -A1 'ends in' | extensions >"$work/man.ext"
grep -qx '.heic' "$work/help.ext" || fail "--help names no .heic among the picture extensions: $(cat "$work/help.ext")"
diff -u --label --help "$work/help.ext" --label 'man pixmold-batch' "$work/man.ext" >"$work/ext.diff" ||
    { cat "$work/ext.diff"; fail "--help and the manual page name different picture extensions"; }

# --- The Debian package -----------------------------------------------------
if [[ "$check_deb" == --deb ]]; then
    deb=$build/pixmold_${version}_$(dpkg --print-architecture).deb
    [[ -f "$deb" ]] || { echo "FAIL: no $deb (make package builds it)"; exit 1; }
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$work/packaged"
    diff -u --label staged "$work/staged" --label "$(basename "$deb")" "$work/packaged" >"$work/deb.diff" ||
        { cat "$work/deb.diff"; fail "the package's files differ from the staged install"; }
    field() { dpkg-deb -f "$deb" "$1"; }
    [[ "$(field Package)" == pixmold && "$(field Version)" == "$version" && "$(field Section)" == graphics ]] ||
        fail "package, version or section: $(field Package) $(field Version) $(field Section)"
    [[ "$(field Maintainer)" =~ ^.+\ \<.+@.+\>$ ]] || fail "maintainer \"$(field Maintainer)\""
    # Every library the programs link comes from a package they depend on.
    depends=$(field Depends | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//')
    for program in "$usr"/bin/*; do
        needed=$(readelf -d "$program" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
        ldd "$program" | awk -v needed="$needed" '
            BEGIN { n = split(needed, list, "\n"); for (i = 1; i <= n; i++) wanted[list[i]] = 1 }
            ($1 in wanted) && $3 ~ /^\// { print $3 }'
    done | sort -u | while read -r library; do
        owner=$(dpkg -S "$library" 2>/dev/null || dpkg -S "$(realpath "$library")" 2>/dev/null)
        owner=$(head -n 1 <<<"$owner" | cut -d: -f1)
        [[ -n "$owner" ]] || { echo "FAIL: no package owns $library"; continue; }
        grep -qxF "$owner" <<<"$depends" || echo "FAIL: Depends lacks $owner (for $library)"
    done >"$work/depends.log"
    if [[ -s "$work/depends.log" ]]; then cat "$work/depends.log"; fail "Depends: $(field Depends)"; fi
    # The packaged files are the staged ones (the programs stripped).
    dpkg-deb -x "$deb" "$work/deb"
    while read -r file; do
        [[ "$file" == usr/bin/* ]] && continue
        cmp -s "$stage/$file" "$work/deb/$file" || fail "$file differs in the package"
    done <"$work/staged"
    out=$("$work/deb/usr/bin/pixmold-batch" --version) && [[ "$out" == "pixmold-batch $version" ]] ||
        fail "the packaged pixmold-batch --version says \"$out\""
fi

if [[ $failures -gt 0 ]]; then echo "$failures check(s) failed"; exit 1; fi
echo "ok"
