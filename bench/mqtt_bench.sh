#!/usr/bin/env bash
# Runs build/linux/bench/mqtt_bench against a mosquitto of its own on 127.0.0.1, stopped at the end.
# usage: bench/mqtt_bench.sh [build/linux/bench/mqtt_bench] [benchmark options]
set -euo pipefail
bench=${1:-build/linux/bench/mqtt_bench}
shift || true
scratch=$(mktemp -d)
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mosquitto_passwd -b -c "$scratch/passwords" bench "bench parola" 2>/dev/null
printf 'listener %s 127.0.0.1\nallow_anonymous false\npassword_file %s\npersistence false\nuser root\nlog_dest none\n' \
  "$port" "$scratch/passwords" >"$scratch/mosquitto.conf"
/usr/sbin/mosquitto -c "$scratch/mosquitto.conf" 2>/dev/null &
broker=$!
trap 'kill $broker; wait $broker 2>/dev/null; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do
  (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.05
done
DORVAN_BENCH_BROKER=$port DORVAN_BENCH_USER=bench DORVAN_BENCH_PASSWORD="bench parola" "$bench" "$@"
