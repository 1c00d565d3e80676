#!/usr/bin/env bash
# Plays the modem of at-modem.toml and runs the plan against it.
#   examples/at-modem.sh [tessaline-check options, e.g. --repeat 10 --log units.jsonl]
set -euo pipefail
source "$(dirname "$0")/devices.sh"
start_device "${at_modem[@]}"
"$bin/tessaline-check" --plan "$here/at-modem.toml" --port "$port" "$@"
