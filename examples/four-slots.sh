#!/usr/bin/env bash
# A fixture of four positions, A1 to A4, each a Modbus RTU board played by
# its own simulated device, all tested at once with modbus-rtu.toml.
#   examples/four-slots.sh [tessaline-check options, e.g. --repeat 5 --db results.sqlite]
set -euo pipefail
source "$(dirname "$0")/devices.sh"
slots=()
for slot in A1 A2 A3 A4; do
    start_device "${modbus_board[@]}"
    slots+=(--slot "$slot=$port")
done
"$bin/tessaline-check" --plan "$here/modbus-rtu.toml" "${slots[@]}" "$@"
