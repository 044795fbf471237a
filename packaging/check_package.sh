#!/usr/bin/env bash
# check_package.sh BUILD_DIR APP_ID VERSION
#
# Installs the build into a scratch folder and validates the desktop entry and
# the AppStream file there; then builds the Debian package, unpacks it into a
# scratch root and starts the program from it, offscreen and with a scratch
# home, so it never touches the user's own settings.
set -euo pipefail

build=$1
app_id=$2
version=$3
work=$build/packaging-check
rm -rf "$work"
mkdir -p "$work"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in desktop-file-validate:desktop-file-utils appstreamcli:appstream dpkg-shlibdeps:dpkg-dev; do
    command -v "${tool%%:*}" >/dev/null || fail "${tool%%:*} is missing; install the Debian package ${tool#*:}"
done

# The installed tree.
DESTDIR=$work/install cmake --install "$build" --prefix /usr >/dev/null
tree=$work/install/usr
for file in lib/corvantis/corvantis lib/corvantis/Example.xml lib/corvantis/CorvantisHelp.htm \
            share/applications/$app_id.desktop share/metainfo/$app_id.metainfo.xml \
            share/icons/hicolor/scalable/apps/$app_id.svg share/icons/hicolor/48x48/apps/$app_id.png; do
    [ -f "$tree/$file" ] || fail "$file is not installed"
done
[ "$(readlink "$tree/bin/corvantis")" = ../lib/corvantis/corvantis ] || fail "bin/corvantis is not a relative link to the program"
desktop-file-validate "$tree/share/applications/$app_id.desktop"
appstreamcli validate --no-net "$tree/share/metainfo/$app_id.metainfo.xml"
echo "Installed tree and its desktop files are valid"

# The package.
(cd "$build" && cpack -G DEB -B "$work/deb" >/dev/null) || fail "cpack could not build the package"
deb=$(ls "$work"/deb/corvantis_"$version"_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ $depends == *libqt6widgets6* ]] || fail "the package does not depend on the Qt Widgets library"
[[ $depends == *libqt6printsupport6* ]] || fail "the package does not depend on the Qt Print Support library"
root=$work/root
dpkg -x "$deb" "$root"
for file in usr/bin/corvantis usr/lib/corvantis/Example.xml usr/lib/corvantis/CorvantisHelp.htm \
            usr/share/applications/$app_id.desktop; do
    [ -e "$root/$file" ] || fail "the package lacks $file"
done

grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" \
    || fail "the AppStream description does not list release $version"

# The packaged program, started as the desktop entry starts it.
home=$work/home
mkdir -p -m 700 "$home"
run=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen)
"${run[@]}" "$root/usr/bin/corvantis" --version | grep -q "$version" || fail "corvantis --version does not name $version"
# It keeps running; the first start remembers the example beside the real
# program, found through the link in bin/. A busy machine may take a while
# to get there, so wait for it rather than for a fixed time.
settings="$home/.config/Velmora/MyBusiness.ini"
# env runs the program in its own place, so the process started is the program.
"${run[@]}" "$root/usr/bin/corvantis" "$root/usr/lib/corvantis/Example.xml" 2>"$work/stderr" &
program=$!
for _ in $(seq 300); do
    grep -qs "MyFileName=$root/usr/lib/corvantis/Example.xml" "$settings" && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if ! kill "$program" 2>/dev/null; then
    status=0
    wait "$program" || status=$?
    cat "$work/stderr" >&2
    fail "corvantis ended with status $status instead of running"
fi
wait "$program" || true
grep -q "MyFileName=$root/usr/lib/corvantis/Example.xml" "$settings" \
    || fail "the started program did not find its own folder"
echo "The packaged program starts"
