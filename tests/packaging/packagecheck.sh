#!/usr/bin/env bash
# Checks of what `cmake --install` and CPack produce, run by CTest.
# Usage: packagecheck.sh CHECK SOURCE_DIR BUILD_DIR WORK_DIR
#   deb              build the .deb with CPack and unpack it into WORK_DIR/root (the fixture
#                    every check below "install_prefix" uses)
#   install_prefix   cmake --install to another prefix, and with DESTDIR
#   desktop_entry    desktop-file-validate, and the entry's Path=, Exec= and Icon= resolve
#   metainfo         appstreamcli validate, and its launchable and icon exist
#   lintian          lintian reports no errors on the .deb
#   installed_start  the unpacked program, started where the menu entry starts it, finds its data
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
    rm -rf "$work/deb" "$root"
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
    [[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "FAIL: expected one .deb, got: ${debs[*]}"; exit 1; }
    deb=${debs[0]}
    echo "built $deb"
    dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x failed"; exit 1; }
    dpkg-deb -f "$deb" | tee "$work/control"

    control_field() { sed -n "s/^$1: //p" "$work/control"; }
    depends=$(control_field Depends)
    # fonts-liberation is named by hand; the Qt and C libraries only come from dpkg-shlibdeps.
    for dep in fonts-liberation libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
        [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
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
        [[ -f $root/$f ]] || fail "the package lacks /$f"
    done
    cmp -s "$root/usr/share/lumaril/quran.txt" "$source_dir/data/quran.txt" ||
        fail "the packaged quran.txt differs from data/quran.txt"
    for gz in usr/share/man/man1/lumaril.1.gz usr/share/doc/lumaril/changelog.gz; do
        gzip -t "$root/$gz" 2>/dev/null || fail "/$gz is not valid gzip"
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
    echo "\$ desktop-file-validate $entry"
    out=$(desktop-file-validate "$entry" 2>&1)
    status=$?
    echo "${out:-(no output)}"
    [[ $status -eq 0 ]] || fail "desktop-file-validate exited with $status"
    grep -Eq '(error|warning):' <<<"$out" && fail "desktop-file-validate reported problems"

    path=$(field Path "$entry")
    [[ $path == /usr/share/lumaril ]] || fail "Path= is '$path', not the packaged data folder"
    [[ -f $root$path/quran.txt ]] || fail "Path= $path holds no quran.txt"
    exec=$(field Exec "$entry")
    [[ -x $root/usr/bin/${exec%% *} ]] || fail "Exec= '$exec' is not a program in /usr/bin"
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
    echo "\$ lintian --info ${debs[0]##*/}"
    out=$(lintian --info "${debs[0]}" 2>&1)
    status=$?
    echo "${out:-(no output)}"
    [[ $status -le 1 ]] || fail "lintian itself failed (exit $status)"
    grep -q '^E: ' <<<"$out" && fail "lintian reported errors"
    ;;

installed_start)
    need timeout coreutils
    need_package
    path=$(field Path "$entry")
    exec=$(field Exec "$entry")
    program=$root/usr/bin/${exec%% *}
    folder=$root$path
    echo "\$ cd $folder && QT_QPA_PLATFORM=offscreen $program --check-data"
    out=$(cd "$folder" && QT_QPA_PLATFORM=offscreen timeout 60 "$program" --check-data 2>&1)
    status=$?
    echo "$out"
    [[ $status -eq 0 ]] || fail "exit status $status from the menu entry's folder"
    if [[ -f $folder/quran.txt ]]; then
        records=$(grep -Ec '^#[0-9]{3}\.[0-9]{3} ' "$folder/quran.txt")
        [[ $records -eq $verse_count ]] || fail "the packaged quran.txt has $records verse records"
    else
        fail "no quran.txt in $path"
    fi
    grep -qx "verses: $verse_count" <<<"$out" || fail "expected 'verses: $verse_count'"

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
