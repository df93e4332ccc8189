#!/bin/sh
# Three long walks of 100,000 actions each, one after the other; stops at the first difference.
#   tests/stress/long_run.sh [build-dir] [actions] [seeds...]
# With LQ_STRESS_PG set to the folder of a running server (tests/store/pg_server.sh start DIR),
# the walks keep the shop on that PostgreSQL server instead of in a file.
set -e
build=${1:-build/native}
actions=${2:-100000}
seeds="11 22 33"
if [ $# -gt 2 ]; then
    shift 2
    seeds="$*"
fi
for seed in $seeds; do
    /usr/bin/time -f "seed $seed: %e s wall, %M KB peak" \
        "$build/tests/stress/lq_stress" --seed "$seed" --actions "$actions" --oracle-every 2000 \
        ${LQ_STRESS_PG:+--pg "$LQ_STRESS_PG"}
done
