#!/usr/bin/env bash
# Starts Glimmerbox from a build folder: the main window when it is built,
# otherwise the command-line tool.
set -euo pipefail
build=${1:-build/release}
shift || true
if [ -x "$build/app/glimmerbox" ]; then
  exec "$build/app/glimmerbox" "$@"
fi
if [ $# -eq 0 ]; then
  "$build/tools/glimmerbox-cli" version
  exec "$build/tools/glimmerbox-cli" help
fi
exec "$build/tools/glimmerbox-cli" "$@"
