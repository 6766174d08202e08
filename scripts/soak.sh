#!/usr/bin/env bash
# Builds the program and runs the soak: a long session in one process that fails when resident
# memory grows by more than 10% from its first pass to its last. Takes several minutes; not part
# of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/soak
