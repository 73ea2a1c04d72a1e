#!/usr/bin/env bash
# Checks of what `cmake --install` and CPack produce, run by CTest.
# Usage: packagecheck.sh CHECK SOURCE_DIR BUILD_DIR WORK_DIR
#   deb              build the .debs with CPack (the program with English, and a package per
#                    other text) and unpack them all into WORK_DIR/root (the fixture every
#                    check below "install_prefix" uses)
#   install_prefix   cmake --install to another prefix, and with DESTDIR
#   desktop_entry    desktop-file-validate on each text's entry, its Name= is the text's, and
#                    its Path=, Exec= and Icon= resolve
#   metainfo         appstreamcli validate, and its launchable and icon exist
#   lintian          lintian reports no errors or warnings on any .deb
#   installed_start  the unpacked program, started where each menu entry starts it, finds its data
#   fonts            the fonts of the packages each text's package depends on have every
#                    character of that text
# Exit status 77 means skipped (a tool is missing); the reason is printed.
set -uo pipefail

check=$1
source_dir=$2
build_dir=$3
work=$4
app_id=org.example.Lumaril
root=$work/root
entry=$root/usr/share/applications/$app_id.desktop
icon_sizes=(16 22 24 32 48 64 128 256)
verse_count=6236
texts_cmake=$source_dir/packaging/Texts.cmake
# The texts as packaging/Texts.cmake names them: English in the program's package and folder,
# each other in lumaril-text-CODE and a folder of its own.
read -ra codes <<<"$(sed -n 's/^set(LUMARIL_TEXTS \(.*\))$/\1/p' "$texts_cmake")"
package_of() { if [[ $1 == en ]]; then echo lumaril; else echo "lumaril-text-$1"; fi; }
folder_of() { if [[ $1 == en ]]; then echo /usr/share/lumaril; else echo "/usr/share/lumaril/$1"; fi; }
entry_of() { if [[ $1 == en ]]; then echo "$app_id.desktop"; else echo "$app_id.$1.desktop"; fi; }
name_of() {
    if [[ $1 == en ]]; then echo Lumaril; return; fi
    echo "Lumaril — $(sed -n "s/^set(LUMARIL_TEXT_$1_NATIVE \"\(.*\)\")\$/\1/p" "$texts_cmake")"
}
source_file_of() { if [[ $1 == en ]]; then echo "$source_dir/data/quran.txt"; else echo "$source_dir/data/$1/quran.txt"; fi; }
control_field() { sed -n "s/^$1: //p" "$work/control/$2"; }

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
need() { command -v "$1" >/dev/null 2>&1 || skip "$1 is not installed (Debian package: $2)"; }
need_package() { [[ -f $entry ]] || skip "no unpacked package in $root: packaging_deb did not build one"; }
field() { sed -n "s/^$1=//p" "$2" | head -n1; }
# Width and height of a PNG, from its IHDR chunk.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }

case $check in
deb)
    # Cleared first, so that when this is skipped the other checks skip too, not read an old one.
    rm -rf "$work/deb" "$root" "$work/control" "$work/own"
    need cpack cmake
    need dpkg-deb dpkg
    need dpkg-shlibdeps dpkg-dev
    [[ -x $build_dir/bin/lumaril ]] || { echo "FAIL: $build_dir/bin/lumaril is not built"; exit 1; }
    mkdir -p "$work/deb" "$root"
    if ! cpack --config "$build_dir/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log"
        echo "FAIL: cpack failed"
        exit 1
    fi
    debs=("$work"/deb/*.deb)
    [[ ${#debs[@]} -eq ${#codes[@]} ]] ||
        { echo "FAIL: expected ${#codes[@]} .debs, one per text, got: ${debs[*]##*/}"; exit 1; }
    mkdir -p "$work/control" "$work/own"
    for code in "${codes[@]}"; do
        package=$(package_of "$code")
        deb=("$work/deb/${package}_"*.deb)
        [[ -f ${deb[0]} ]] || { fail "no package $package for the text '$code'"; continue; }
        echo "built ${deb[0]}"
        dpkg-deb -x "${deb[0]}" "$root" && dpkg-deb -x "${deb[0]}" "$work/own/$package" ||
            { echo "FAIL: dpkg-deb -x ${deb[0]} failed"; exit 1; }
        dpkg-deb -f "${deb[0]}" >"$work/control/$package"
    done
    cat "$work/control/lumaril"

    depends=$(control_field Depends lumaril)
    # fonts-liberation is named by hand; the Qt and C libraries only come from dpkg-shlibdeps.
    for dep in fonts-liberation libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
        [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
    done
    # An English reader gets no font of the other texts.
    others=$(tr ',' '\n' <<<"$depends" | grep -o 'fonts-[a-z0-9-]*' | grep -vx fonts-liberation)
    [[ -z $others ]] || fail "lumaril depends on other texts' fonts: $others"
    version=$(control_field Version lumaril)

    # Each text is in its own package, which needs this very build of the program.
    for code in "${codes[@]}"; do
        package=$(package_of "$code")
        [[ -f $work/control/$package ]] || continue
        own=$work/own/$package
        folder=$(folder_of "$code")
        for f in "$folder/quran.txt" "/usr/share/applications/$(entry_of "$code")" \
                 "/usr/share/doc/$package/copyright" "/usr/share/doc/$package/changelog.gz"; do
            [[ -f $own$f ]] || fail "$package lacks $f"
        done
        cmp -s "$own$folder/quran.txt" "$(source_file_of "$code")" ||
            fail "$package's quran.txt differs from $(source_file_of "$code")"
        [[ $code == en ]] && continue
        [[ $(control_field Architecture "$package") == all ]] || fail "$package is not Architecture: all"
        [[ ", $(control_field Depends "$package")," == *", lumaril (= $version),"* ]] ||
            fail "$package does not depend on lumaril (= $version): $(control_field Depends "$package")"
    done

    files=(usr/bin/lumaril
           usr/share/lumaril/quran.txt
           "usr/share/applications/$app_id.desktop"
           "usr/share/metainfo/$app_id.metainfo.xml"
           "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
           usr/share/man/man1/lumaril.1.gz
           usr/share/doc/lumaril/copyright
           usr/share/doc/lumaril/changelog.gz)
    for size in "${icon_sizes[@]}"; do
        files+=("usr/share/icons/hicolor/${size}x$size/apps/$app_id.png")
    done
    for f in "${files[@]}"; do
        [[ -f $work/own/lumaril/$f ]] || fail "the package lacks /$f"
    done
    for gz in usr/share/man/man1/lumaril.1.gz usr/share/doc/lumaril/changelog.gz; do
        gzip -t "$work/own/lumaril/$gz" 2>/dev/null || fail "/$gz is not valid gzip"
    done
    # The package is for /usr; nothing may land under the build machine's paths or /usr/local.
    stray=$(cd "$root" && find . -type f ! -path './usr/bin/*' ! -path './usr/share/*')
    [[ -z $stray ]] || fail "files outside /usr/bin and /usr/share: $stray"
    ;;

install_prefix)
    need cmake cmake
    prefix=$work/prefix
    stage=$work/stage
    rm -rf "$prefix" "$stage"
    cmake --install "$build_dir" --prefix "$prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log"; echo "FAIL: cmake --install --prefix failed"; exit 1; }
    e=$prefix/share/applications/$app_id.desktop
    [[ -x $prefix/bin/lumaril ]] || fail "no $prefix/bin/lumaril"
    [[ -f $prefix/share/lumaril/quran.txt ]] || fail "no $prefix/share/lumaril/quran.txt"
    [[ -f $e ]] || fail "no $e"
    [[ -f $e && $(field Path "$e") == "$prefix/share/lumaril" ]] ||
        fail "with --prefix $prefix, Path= is '$(field Path "$e" 2>/dev/null)'"

    # A distribution's staged install: Path= names the final place, not the staging folder.
    DESTDIR=$stage cmake --install "$build_dir" --prefix /opt/lumaril >"$work/install.log" 2>&1 ||
        { cat "$work/install.log"; echo "FAIL: DESTDIR install failed"; exit 1; }
    e=$stage/opt/lumaril/share/applications/$app_id.desktop
    [[ -f $stage/opt/lumaril/share/lumaril/quran.txt ]] || fail "DESTDIR install lacks the verse file"
    [[ -f $e && $(field Path "$e") == /opt/lumaril/share/lumaril ]] ||
        fail "with DESTDIR, Path= is '$(field Path "$e" 2>/dev/null)'"
    ;;

desktop_entry)
    need desktop-file-validate desktop-file-utils
    need_package
    entries=("$root"/usr/share/applications/*.desktop)
    [[ ${#entries[@]} -eq ${#codes[@]} ]] ||
        fail "expected ${#codes[@]} menu entries, one per text: ${entries[*]##*/}"
    for code in "${codes[@]}"; do
        entry=$root/usr/share/applications/$(entry_of "$code")
        [[ -f $entry ]] || { fail "no menu entry $(entry_of "$code") for the text '$code'"; continue; }
        echo "\$ desktop-file-validate $entry"
        out=$(desktop-file-validate "$entry" 2>&1)
        status=$?
        echo "${out:-(no output)}"
        [[ $status -eq 0 ]] || fail "desktop-file-validate exited with $status"
        grep -Eq '(error|warning):' <<<"$out" && fail "desktop-file-validate reported problems"

        name=$(field Name "$entry")
        [[ $name == "$(name_of "$code")" ]] || fail "${entry##*/} is named '$name', not '$(name_of "$code")'"
        path=$(field Path "$entry")
        [[ $path == "$(folder_of "$code")" ]] || fail "${entry##*/} has Path= '$path', not $(folder_of "$code")"
        [[ -f $root$path/quran.txt ]] || fail "Path= $path holds no quran.txt"
        exec=$(field Exec "$entry")
        [[ -x $root/usr/bin/${exec%% *} ]] || fail "Exec= '$exec' is not a program in /usr/bin"
    done

    entry=$root/usr/share/applications/$(entry_of en)
    icon=$(field Icon "$entry")
    [[ -f $root/usr/share/icons/hicolor/scalable/apps/$icon.svg ]] || fail "no scalable icon named '$icon'"
    for size in "${icon_sizes[@]}"; do
        png=$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png
        if [[ ! -f $png ]]; then
            fail "no ${size}x$size icon named '$icon'"
        elif [[ $(png_size "$png") != "${size}x$size" ]]; then
            fail "the ${size}x$size icon is $(png_size "$png")"
        fi
    done
    ;;

metainfo)
    need appstreamcli appstream
    need_package
    metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
    echo "\$ appstreamcli validate --no-net --pedantic $metainfo"
    appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate failed"
    launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [[ -n $launchable && -f $root/usr/share/applications/$launchable ]] ||
        fail "the launchable '$launchable' is not a packaged desktop entry"
    icon=$(sed -n 's:.*<icon type="stock">\(.*\)</icon>.*:\1:p' "$metainfo")
    [[ $icon == $(field Icon "$entry") ]] || fail "the metainfo icon '$icon' differs from the desktop entry's"
    grep -q '<release version="1.00"' "$metainfo" || fail "no release entry for 1.00"
    ;;

lintian)
    need lintian lintian
    debs=("$work"/deb/*.deb)
    [[ -f ${debs[0]} ]] || skip "no .deb in $work/deb: packaging_deb did not build one"
    echo "\$ lintian --info ${debs[*]##*/}"
    out=$(lintian --info "${debs[@]}" 2>&1)
    status=$?
    echo "${out:-(no output)}"
    [[ $status -le 1 ]] || fail "lintian itself failed (exit $status)"
    grep -q '^E: ' <<<"$out" && fail "lintian reported errors"
    grep -q '^W: ' <<<"$out" && fail "lintian reported warnings"
    ;;

installed_start)
    need timeout coreutils
    need_package
    exec=$(field Exec "$entry")
    program=$root/usr/bin/${exec%% *}
    for code in "${codes[@]}"; do
        e=$root/usr/share/applications/$(entry_of "$code")
        [[ -f $e ]] || { fail "no menu entry for the text '$code'"; continue; }
        folder=$root$(field Path "$e")
        echo "\$ cd $folder && QT_QPA_PLATFORM=offscreen $program --check-data"
        out=$(cd "$folder" && QT_QPA_PLATFORM=offscreen timeout 60 "$program" --check-data 2>&1)
        status=$?
        echo "$out"
        [[ $status -eq 0 ]] || fail "exit status $status from the folder of ${e##*/}"
        if [[ -f $folder/quran.txt ]]; then
            records=$(grep -Ec '^#[0-9]{3}\.[0-9]{3} ' "$folder/quran.txt")
            [[ $records -eq $verse_count ]] || fail "the packaged $code quran.txt has $records verse records"
        else
            fail "no quran.txt in $folder"
        fi
        grep -qx "verses: $verse_count" <<<"$out" || fail "expected 'verses: $verse_count' for '$code'"
    done

    # Started anywhere else there is no verse file: it has to say so and fail, not pass.
    empty=$(mktemp -d)
    out=$(cd "$empty" && QT_QPA_PLATFORM=offscreen timeout 60 "$program" --check-data 2>&1)
    status=$?
    rmdir "$empty"
    echo "without a verse file (exit $status): $out"
    [[ $status -eq 1 ]] || fail "exit status $status without a verse file, expected 1"
    [[ -n $out ]] || fail "no message without a verse file"
    grep -q '^verses:' <<<"$out" && fail "claims verses without a verse file"
    ;;

fonts)
    need_package
    /usr/bin/python3 -c 'import fontTools' 2>/dev/null ||
        skip "fontTools is not installed (Debian package: python3-fonttools)"
    # The fonts of the text's own package's dependencies and the program's; control
    # characters and invisible format marks need no glyph.
    for code in "${codes[@]}"; do
        package=$(package_of "$code")
        fonts=$(for p in lumaril "$package"; do control_field Depends "$p"; done |
                tr ',' '\n' | grep -o '^ *fonts-[a-z0-9-]*' | sort -u)
        files=()
        for p in $fonts; do
            dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' ||
                skip "$p is not installed here, so the fonts of '$code' cannot be checked"
            mapfile -t -O "${#files[@]}" files < <(dpkg -L "$p" | grep -Ei '\.(ttf|otf|ttc)$')
        done
        missing=$(/usr/bin/python3 - "$root$(folder_of "$code")/quran.txt" "${files[@]}" <<'EOF'
import sys, unicodedata
from fontTools.ttLib import TTCollection, TTFont
text = open(sys.argv[1], encoding="utf-8").read()
left = {ord(c) for c in text if unicodedata.category(c) not in ("Cc", "Cf")}
for path in sys.argv[2:]:
    fonts = TTCollection(path).fonts if path.lower().endswith(".ttc") else [TTFont(path, lazy=True)]
    for font in fonts:
        for table in font["cmap"].tables:
            if table.isUnicode():
                left -= table.cmap.keys()
print(" ".join(f"U+{c:04X}" for c in sorted(left)[:20]))
EOF
)
        echo "$package, with" $fonts": ${missing:-every character drawn}"
        [[ -z $missing ]] || fail "no font that $package depends on has $missing"
    done
    ;;

*)
    echo "unknown check: $check" >&2
    exit 2
    ;;
esac

if ((failures)); then
    echo "$failures problem(s)"
    exit 1
fi
echo "ok"
