#!/usr/bin/env bash
# Builds the Debian package from a finished build and checks it as a user's system
# would see it. One step per call, so each shows as its own test:
#
#   check_package.sh build    DIR VERSION CPACK CPACK_CONFIG   make the .deb in DIR, extract it
#   check_package.sh control  DIR VERSION   name, version, section, Depends, Recommends
#   check_package.sh contents DIR VERSION   every file under /usr, in its place, stripped
#   check_package.sh manpage  DIR VERSION   the manual page formats without a warning
#   check_package.sh lintian  DIR VERSION   lintian finds no error (warnings are shown)
#   check_package.sh program  DIR VERSION   the extracted launcher runs the program
#   check_package.sh clean    DIR
set -uo pipefail

step=${1:?step}
dir=${2:?folder}
version=${3:-}
root=$dir/root
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

deb_file() {
    printf '%s/tavelin-video-center_%s_%s.deb' "$dir" "$version" "$(dpkg --print-architecture)"
}

# The package must have been made by the build step (the ctest fixture runs it first).
need_package() {
    deb=$(deb_file)
    if [[ ! -f $deb || ! -d $root ]]; then
        echo "FAIL: no package at $deb (run the build step first)"
        exit 1
    fi
}

case $step in
build)
    cpack=${4:?cpack}
    config=${5:?CPackConfig.cmake}
    rm -rf "$dir"
    mkdir -p "$dir"
    if ! "$cpack" -G DEB --config "$config" -B "$dir"; then
        echo "FAIL: cpack did not make the package"
        exit 1
    fi
    deb=$(deb_file)
    if [[ ! -f $deb ]]; then
        echo "FAIL: cpack made no $(basename "$deb"); it made:"
        ls "$dir"
        exit 1
    fi
    dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }
    echo "made $deb"
    ;;

control)
    need_package
    info=$(dpkg-deb -I "$deb") || { echo "FAIL: dpkg-deb -I"; exit 1; }
    echo "$info"
    field() { dpkg-deb -f "$deb" "$1"; }
    [[ $(field Package) == tavelin-video-center ]] || fail "Package is '$(field Package)'"
    [[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', not $version"
    [[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture"
    [[ $(field Section) == video ]] || fail "Section is '$(field Section)'"
    # Packages as a comma-separated list of names, alternatives and versions dropped.
    names() { tr ',|' '\n\n' | sed -E 's/\(.*\)//; s/^ +//; s/ +$//' | sed '/^$/d'; }
    depends=$(field Depends | names)
    recommends=$(field Recommends | names)
    # From dpkg-shlibdeps (the libraries the program links) and the ones named by hand
    # (what GStreamer and Qt load at run time).
    for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libgstreamer1.0-0 \
        libgstreamer-plugins-base1.0-0 libglib2.0-0 libjpeg62-turbo \
        gstreamer1.0-plugins-base gstreamer1.0-plugins-good qt6-qpa-plugins; do
        grep -qxF "$p" <<<"$depends" || fail "Depends lacks $p"
    done
    for p in gstreamer1.0-libav gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly \
        gstreamer1.0-pulseaudio gstreamer1.0-alsa qt6-wayland; do
        grep -qxF "$p" <<<"$recommends" || fail "Recommends lacks $p"
    done
    # Every name must be a package the archive knows, or apt cannot install it (known
    # only once `apt-get update` has fetched the index, as scripts/setup does).
    if compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null; then
        # shellcheck disable=SC2086 # one name a word
        known=$(apt-cache show --no-all-versions $depends $recommends 2>/dev/null |
            sed -n 's/^Package: //p')
        for p in $depends $recommends; do
            grep -qxF "$p" <<<"$known" || fail "no package '$p' in the archive"
        done
    else
        echo "no archive index (apt-get update): package names not looked up"
    fi
    [[ $(field Description | sed -n '2p') ]] || fail "Description has no extended text"
    ;;

contents)
    need_package
    listing=$(dpkg-deb -c "$deb") || { echo "FAIL: dpkg-deb -c"; exit 1; }
    echo "$listing"
    paths=$(awk '{ print $6 }' <<<"$listing")
    outside=$(grep -vE '^\./(usr/)?$|^\./usr/' <<<"$paths")
    [[ -z $outside ]] || fail "files outside /usr: $outside"
    grep -q '/usr/local' <<<"$paths" && fail "files under /usr/local"
    # Owned by root, folders 0755: what dpkg gives every other package's files.
    awk '$2 != "root/root" { print }' <<<"$listing" | grep -q . && fail "files not owned by root"
    awk '/^d/ && $1 != "drwxr-xr-x" { print }' <<<"$listing" | grep -q . && fail "folders not 0755"

    app=usr/lib/tavelin-video-center
    expected=(
        usr/bin/tavelin-video-center
        "$app/tavelin-video-center"
        usr/share/applications/tavelin-video-center.desktop
        usr/share/metainfo/com.tavelin.VideoCenter.metainfo.xml
        usr/share/man/man1/tavelin-video-center.1.gz
        usr/share/doc/tavelin-video-center/copyright
        usr/share/doc/tavelin-video-center/changelog.gz
    )
    for n in 0 1 2 3 4 5 6; do expected+=("$app/Alarm/$n.wav"); done
    for size in 16 22 24 32 48 64 128 256; do
        expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tavelin-video-center.png")
    done
    for f in "${expected[@]}"; do
        [[ -f $root/$f ]] || fail "missing /$f"
    done
    [[ -x $root/usr/bin/tavelin-video-center ]] || fail "the launcher is not executable"
    for f in "$root/$app/tavelin-video-center"; do
        description=$(file -b "$f")
        [[ $description == *ELF* && $description == *", stripped"* ]] || fail "$f: $description"
    done
    # The release named in the changelog and the software-centre entry is the package's.
    changelog=$(mktemp)
    zcat "$root/usr/share/doc/tavelin-video-center/changelog.gz" >"$changelog"
    logged=$(dpkg-parsechangelog -l "$changelog" -S Version 2>&1)
    rm -f "$changelog"
    [[ $logged == "$version" ]] || fail "changelog's latest entry is '$logged', not $version"
    grep -q "<release version=\"$version\"" \
        "$root/usr/share/metainfo/com.tavelin.VideoCenter.metainfo.xml" ||
        fail "the AppStream metadata has no release $version"
    grep -q "^Exec=tavelin-video-center" "$root/usr/share/applications/tavelin-video-center.desktop" ||
        fail "the desktop entry does not start the launcher on the PATH"
    ;;

manpage)
    need_package
    page=$root/usr/share/man/man1/tavelin-video-center.1.gz
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man reports: $warnings"
    text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -E ascii -l "$page" 2>/dev/null)
    grep -qF "Tavelin Video Center $version" <<<"$text" || fail "the page does not name version $version"
    for word in TAVELIN_CAMERA Pellor.inf Tavelin-NNNNN.avi TimerCap.bmp "EXIT STATUS" \
        "Record on motion" tavelin-video-center.conf RecordOnMotion autostart; do
        grep -qF -- "$word" <<<"$text" || fail "the page does not mention $word"
    done
    ;;

lintian)
    need_package
    report=$(mktemp)
    # --fail-on error: warnings and notes are reported, not fatal.
    lintian --info --fail-on error "$deb" >"$report" 2>&1
    status=$?
    cat "$report"
    errors=$(grep -c '^E: ' "$report")
    warnings=$(grep -c '^W: ' "$report")
    infos=$(grep -c '^I: ' "$report")
    rm -f "$report"
    echo "lintian: $errors errors, $warnings warnings, $infos info"
    ((status == 0)) || fail "lintian exited with $status"
    ((errors == 0)) || fail "lintian found $errors errors"
    ;;

program)
    need_package
    # The launcher finds the program from its own place, so the extracted one runs the
    # extracted program; no GUI is opened for --version and --help.
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
    launcher=$root/usr/bin/tavelin-video-center
    out=$(timeout 60 "$launcher" --version 2>"$dir/version.err")
    status=$?
    expected="Tavelin Video Center $version"
    if ((status != 0)) || [[ $out != "$expected" ]]; then
        cat "$dir/version.err"
        fail "--version gave '$out' (exit $status), expected '$expected' (exit 0)"
        echo "$failures failure(s)"
        exit 1
    fi
    echo "$out"
    # Every long option --help shows is documented in the manual page.
    help=$(timeout 60 "$launcher" --help 2>&1) || fail "--help failed: $help"
    # The items of the page's OPTIONS section, as "-h, --help" or "--camera NAME".
    items=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E ascii -l "$root/usr/share/man/man1/tavelin-video-center.1.gz" |
        sed -n '/^OPTIONS/,/^[A-Z]/p' | grep -E '^ {7}-')
    options=$(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
    [[ $options ]] || fail "--help shows no option: $help"
    for option in $options; do
        grep -qE -- "(^ +|, )$option( |$)" <<<"$items" ||
            fail "$option is in --help but has no item under OPTIONS in the manual page"
    done
    echo "options in --help:" $options
    ;;

clean)
    rm -rf "$dir"
    ;;

*)
    echo "usage: $0 build|control|contents|manpage|lintian|program|clean DIR [VERSION ...]" >&2
    exit 2
    ;;
esac

if ((failures > 0)); then
    echo "$failures failure(s)"
    exit 1
fi
