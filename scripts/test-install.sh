#!/usr/bin/env bash
# Checks an installed Glimmerbox as a user's machine would meet it.
#   test-install.sh --build BUILD_DIR   installs BUILD_DIR into a scratch prefix first
#   test-install.sh --deb PACKAGE.deb   unpacks the package into a scratch root (dpkg -x)
#   test-install.sh --prefix PREFIX     an installed tree (PREFIX/bin, PREFIX/share)
# The installed tools run from there with a fresh home: glimmerbox-cli makes a
# sheet from the installed starter templates, and glimmerbox starts off-screen
# and fills the new home's template folders from the installed copy. The
# desktop entry and the metainfo go through their validators.
set -euo pipefail

fail() { echo "test-install: FAILED: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT

case "${1:-}" in
  --build)
    prefix="$scratch/prefix"
    cmake --install "$2" --prefix "$prefix" >/dev/null || fail "cmake --install $2"
    ;;
  --deb)
    dpkg -x "$2" "$scratch/root" || fail "dpkg -x $2"
    prefix="$scratch/root/usr"
    deps=$(dpkg-deb -f "$2" Depends)
    echo "test-install: Depends: $deps"
    case "$deps" in *-dev*) fail "the package depends on a -dev package: $deps" ;; esac
    [ -n "$deps" ] || fail "the package names no dependencies"
    ;;
  --prefix) prefix="$2" ;;
  *) echo "usage: test-install.sh --build DIR | --deb FILE | --prefix DIR" >&2; exit 2 ;;
esac

share="$prefix/share"
for f in bin/glimmerbox bin/glimmerbox-cli share/glimmerbox/skin/main_window.png \
         share/glimmerbox/starter/Frame/golden_oval.png share/glimmerbox/CREDITS.md \
         share/applications/org.glimmerbox.Glimmerbox.desktop share/mime/packages/glimmerbox.xml \
         share/metainfo/org.glimmerbox.Glimmerbox.metainfo.xml share/man/man1/glimmerbox-cli.1 \
         share/man/man1/glimmerbox.1 share/icons/hicolor/256x256/apps/glimmerbox.png \
         share/icons/hicolor/48x48/mimetypes/application-x-glimmerbox-project.png; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done

# A user's environment: nothing points back into the source or build tree.
home="$scratch/home"
mkdir -p "$home"
run() {
  env -u GLIMMERBOX_HOME -u GLIMMERBOX_STARTER -u GLIMMERBOX_SKIN_DIR -u DISPLAY -u WAYLAND_DISPLAY \
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" TMPDIR="$scratch" \
    QT_QPA_PLATFORM=offscreen "$@"
}

version=$(run "$prefix/bin/glimmerbox-cli" version) || fail "glimmerbox-cli version"
echo "test-install: $version"
case "$version" in "Glimmerbox "[0-9]*) ;; *) fail "unexpected version text: $version" ;; esac

starter="$share/glimmerbox/starter"
run "$prefix/bin/glimmerbox-cli" sheet --layout 1 --frame "$starter/Frame/golden_oval.png" --cover --fill \
  "$starter/Portrait/hopper.png" "$starter/Portrait/camera.png" -o "$scratch/sheet.png" >/dev/null \
  || fail "glimmerbox-cli sheet"
info=$(run "$prefix/bin/glimmerbox-cli" info "$scratch/sheet.png")
case "$info" in *"width=364 height=276"*) ;; *) fail "the sheet is not 364 x 276: $info" ;; esac

# An installed program's folder is not the user's to write, as under /usr/bin:
# the application directory then lives in the home. A marker frame shows that
# the templates come from the installed copy and from nowhere else.
cp "$starter/Frame/golden_oval.png" "$starter/Frame/zz_installed_copy.png"
chmod a-w "$prefix/bin"
run timeout 60 "$prefix/bin/glimmerbox" --first-paint >/dev/null 2>"$scratch/program.err" \
  || { cat "$scratch/program.err" >&2; fail "glimmerbox did not start off-screen"; }
appdir="$home/.local/share/Glimmerbox"
[ -e "$appdir/Image/Frame/zz_installed_copy.png" ] || fail "the template folders were not filled from $starter"
for category in Frame Portrait Background Mask Emotion BaseMap; do
  n=$(find "$appdir/Image/$category" -maxdepth 1 -type f | wc -l)
  want=$(find "$starter/$category" -maxdepth 1 -type f | wc -l)
  [ "$n" -eq "$want" ] || fail "Image/$category holds $n files, the starter folder $want"
done
[ -e "$appdir/Glimmerbox.ini" ] || fail "no settings file in $appdir"
[ ! -e "$prefix/bin/Glimmerbox.ini" ] || fail "the program wrote into its installation"
echo "test-install: the program started and filled $(find "$appdir/Image" -type f | wc -l) template files"

desktop-file-validate "$share/applications/org.glimmerbox.Glimmerbox.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/org.glimmerbox.Glimmerbox.metainfo.xml" >/dev/null \
  || { appstreamcli validate --no-net "$share/metainfo/org.glimmerbox.Glimmerbox.metainfo.xml" >&2; fail "appstreamcli validate"; }
python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' "$share/mime/packages/glimmerbox.xml" \
  || fail "the shared-mime-info file is not well-formed XML"
grep -q 'glob pattern="\*.quorra"' "$share/mime/packages/glimmerbox.xml" || fail "no *.quorra glob"
man -l "$share/man/man1/glimmerbox-cli.1" >/dev/null 2>&1 || groff -man -Tutf8 -z "$share/man/man1/glimmerbox-cli.1" \
  || fail "the man page does not format"
grep -q '^\.SS sheet' "$share/man/man1/glimmerbox-cli.1" || fail "the man page lacks the sheet command"
echo "test-install: passed ($prefix)"
