#!/usr/bin/env bash
# Starts Glimmerbox from a build folder: the main window when it is built,
# otherwise the command-line tool. Without arguments and without the main
# window, it makes a sheet of stickers from the starter artwork and says
# where it is.
set -euo pipefail
build=${1:-build/release}
shift || true
if [ -x "$build/app/glimmerbox" ]; then
  exec "$build/app/glimmerbox" "$@"
fi
cli="$build/tools/glimmerbox-cli"
if [ $# -eq 0 ]; then
  "$cli" version
  starter="$(cd "$(dirname "$0")/.." && pwd)/assets/starter"
  out="$build/sheet"
  mkdir -p "$out"
  frames=()
  for f in "$starter"/Frame/*; do frames+=(--frame "$f"); done
  "$cli" sheet --layout 3 "${frames[@]}" --cover --fill \
    --background "$starter/Background/pastel_confetti.png" --project "$out/sheet.quorra" \
    "$starter"/Portrait/* -o "$out/sheet.png" | sed '/^Proceeding Image/d'
  echo "The sheet is $out/sheet.png; its project file is $out/sheet.quorra."
  echo
  exec "$cli" help
fi
exec "$cli" "$@"
