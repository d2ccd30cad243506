#!/usr/bin/env bash
# Builds the setup of the next version, 4.0.1, beside an end-to-end build, for the
# upgrade and update tests: the same hosts and the same signing certificate and key as
# that build, so that its updater accepts the new setup as ours.
#
#   tests/e2e/build-next-version.sh [E2E-BUILD-DIR] [JOBS]
#
# E2E-BUILD-DIR defaults to build/mingw-e2e; the result is E2E-BUILD-DIR-4.0.1/LockbaySetup.exe,
# where tests/e2e/run.sh looks for it. tools/run-tests.sh runs this.
set -euo pipefail

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=$(cd "${1:-$REPO/build/mingw-e2e}" && pwd)
JOBS=${2:-2}
NEXT=$BUILD-4.0.1
cache=$BUILD/CMakeCache.txt
[[ -f $cache ]] || { echo "error: $BUILD is not a configured build" >&2; exit 1; }

# cache_value <name> : a setting of the end-to-end build.
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$cache"; }

cert=$(cache_value LOCKBAY_SIGNING_CERT)
key=$(cache_value LOCKBAY_SIGNING_KEY)
if [[ -z $cert ]]; then
    # That build signs with the development certificate it made.
    cert=$BUILD/signing/development-certificate.pem
    key=$BUILD/signing/development-key.pem
fi

cmake --preset mingw-e2e -B "$NEXT" \
    -DLOCKBAY_VERSION=4.0.1 \
    -DLOCKBAY_SIGNING_CERT="$cert" -DLOCKBAY_SIGNING_KEY="$key" \
    -DLOCKBAY_UPDATE_HOST="$(cache_value LOCKBAY_UPDATE_HOST)" \
    -DLOCKBAY_DOWNLOAD_HOST="$(cache_value LOCKBAY_DOWNLOAD_HOST)" \
    -DLOCKBAY_WEB_HOST="$(cache_value LOCKBAY_WEB_HOST)"
cmake --build "$NEXT" -j "$JOBS" --target lockbay_setup
