#!/usr/bin/env bash
# A one-minute soak of the sanitizer build (build-asan, made by the test command): random play, then Exit,
# with no sanitizer report, no leak and flat resident memory. tools/soak.sh runs the long one.
set -euo pipefail
cd "$(dirname "$0")/../.."
if bash tools/soak.sh "${SOAK_MINUTES:-1}"; then
  echo "soak: passed"
else
  echo "soak: FAILED"
  exit 1
fi
