# Sourced by the example scripts: the simulated devices their plans talk to,
# started with tessaline-device and stopped when the script ends.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=${TESSALINE_BIN:-$here/../build/tools}
folder=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$folder"' EXIT

# Starts a device with these options; the path of its port goes to $port.
start_device() {
    local out="$folder/${#pids[@]}"
    "$bin/tessaline-device" "$@" >"$out" 2>/dev/null &
    pids+=("$!")
    for _ in $(seq 100); do
        port=$(head -n 1 "$out")
        [ -n "$port" ] && return 0
        sleep 0.05
    done
    echo "the simulated device did not start" >&2
    exit 1
}

# A Modbus RTU board at address 1 (modbus-rtu.toml): serial number 12345678,
# 3.61 V, 23.0 °C, and a write of register 16 echoed; CRCs included.
modbus_board=(
    --answer "01 03 00 00 00 02 C4 0B" "01 03 04 00 BC 61 4E 92 73"
    --answer "01 04 00 00 00 01 31 CA" "01 04 02 0E 1A 3C 9B"
    --answer "01 04 00 01 00 01 60 0A" "01 04 02 00 E6 38 BA"
    --answer "01 06 00 10 00 01 49 CF" "01 06 00 10 00 01 49 CF"
)

# A modem on AT commands (at-modem.toml): AT, AT+GSN (IMEI 490154203237518),
# AT+CSQ (signal 21) and AT+CFUN=0, each line ending in CR LF.
at_modem=(
    --answer "41 54 0D 0A" "4F 4B 0D 0A"
    --answer "41 54 2B 47 53 4E 0D 0A"
    "34 39 30 31 35 34 32 30 33 32 33 37 35 31 38 0D 0A 4F 4B 0D 0A"
    --answer "41 54 2B 43 53 51 0D 0A" "2B 43 53 51 3A 20 32 31 2C 30 0D 0A 4F 4B 0D 0A"
    --answer "41 54 2B 43 46 55 4E 3D 30 0D 0A" "4F 4B 0D 0A"
)
