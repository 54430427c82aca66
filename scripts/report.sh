#!/usr/bin/env bash
# Installs what is missing, builds the native tool and shows what the library sees
# on the bundled sample machine (a Japanese Windows 2000 desktop).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native --target zentho-appapi >/dev/null
build/native/tools/zentho-appapi/zentho-appapi report
