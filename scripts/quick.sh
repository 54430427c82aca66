#!/usr/bin/env bash
# The inner loop: builds the native preset and runs its behaviour suite without the
# fault and hostile-registry sweeps (under a second), then the tool's and the
# documents' checks. scripts/test.sh runs everything CI runs.
#   quick.sh [GTEST ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh native
cmake --preset native >/dev/null
cmake --build --preset native
build/native/tests/zentho_tests --gtest_filter='-FaultSweep*:HostileRegistry*' --gtest_brief=1 "$@"
tool=build/native/tools/zentho-appapi/zentho-appapi image=build/native/tools/zentho-write-image
tests/tool/tool_test.sh "$tool" "$PWD" "$image" | tail -1
tests/tool/docs_test.sh "$tool" "$PWD" "$image"
