#!/usr/bin/env bash
# Starts Glimmerbox from a build folder. With a display it opens the main
# window (arguments go to the program, e.g. a project file). Without one it
# says so, runs a short scripted session on Qt's off-screen platform and
# writes a picture of the window to build/screenshots/main-window.png.
set -euo pipefail
build=${1:-build/release}
shift || true
program="$build/app/glimmerbox"
if [ ! -x "$program" ]; then
  echo "run.sh: $program is not built" >&2
  exit 1
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program" "$@"
fi
shot="$(dirname "$build")/screenshots/main-window.png"
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running a scripted session off-screen instead."
# A private home, so the session leaves the user's settings alone.
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT
GLIMMERBOX_HOME="$sandbox/app" XDG_CONFIG_HOME="$sandbox/config" HOME="$sandbox/home" \
  QT_QPA_PLATFORM=offscreen "$program" --demo "$shot" 2>/dev/null >/dev/null
echo "Next frame, three stickers added, the four-sticker layout chosen: the window is in $shot"
