#!/usr/bin/env bash
# Installs what is missing, builds, and starts Vostrelle.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
if [ -x build/src/app/vostrelle ]; then
  exec build/src/app/vostrelle
fi
echo "run: the build did not make build/src/app/vostrelle" >&2
exit 1
