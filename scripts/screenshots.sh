#!/usr/bin/env bash
# Pictures of every window in its interesting states, made off-screen in a
# private home with the starter templates, into build/screenshots/. The ones
# the user guide shows are then copied into docs/screenshots/, so the guide
# never shows a window as it no longer looks.
set -euo pipefail
build=${1:-build/release}
out=${2:-build/screenshots}
mkdir -p "$out"
# A fixed sandbox path, so the folder names the pictures show are the same on
# every run and the committed pictures change only when a window does.
sandbox=/tmp/glimmerbox-screenshots
rm -rf "$sandbox"
mkdir -p "$sandbox"
trap 'rm -rf "$sandbox"' EXIT
export HOME="$sandbox/home" GLIMMERBOX_HOME="$sandbox/home/.local/share/Glimmerbox" XDG_CONFIG_HOME="$sandbox/home/.config" \
  QT_QPA_PLATFORM=offscreen

"$build/skin/gallery/glimmerbox-gallery" --screenshots "$out" >/dev/null
"$build/app/glimmerbox" --screenshots "$out" 2>/dev/null

# The batch example of the guide: a four-sticker sheet over a background.
starter=assets/starter
"$build/tools/glimmerbox-cli" sheet --layout 1 --frame "$starter/Frame/golden_oval.png" \
  --frame "$starter/Frame/sweet_hearts.png" --cover --fill \
  --background "$starter/Background/sky_hearts.png" --size small \
  "$starter/Portrait/hopper.png" "$starter/Portrait/camera.png" "$starter/Portrait/astronaut.png" \
  -o "$out/cli-sheet.png"
echo "$out/cli-sheet.png"

# The guide's pictures: every name in docs/screenshots/LIST must have been made.
if [ -f docs/screenshots/LIST ]; then
  while read -r name; do
    case "$name" in ''|'#'*) continue ;; esac
    [ -f "$out/$name" ] || { echo "screenshots: $out/$name was not made (docs/screenshots/LIST)" >&2; exit 1; }
    cp "$out/$name" "docs/screenshots/$name"
  done < docs/screenshots/LIST
fi
