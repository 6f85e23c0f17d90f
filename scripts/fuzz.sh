#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS (default 600).
# Corpora grow in fuzz-corpus/<target>/ (not committed).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-600}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

mapfile -t targets < <(find build/fuzz -type f -executable -name 'fuzz_*' | sort)
if [ ${#targets[@]} -eq 0 ]; then
  echo "no fuzz targets built"; exit 1
fi
for t in "${targets[@]}"; do
  name=$(basename "$t")
  mkdir -p "fuzz-corpus/$name"
  echo "fuzz: $name for ${seconds}s"
  dict=(); [ -f "$t.dict" ] && dict=(-dict="$t.dict")   # a target's dictionary, built next to it
  # TEV_FUZZ_SEEDS: targets that can write seed inputs put them into their corpus first.
  TEV_FUZZ_SEEDS="fuzz-corpus/$name" "$t" -max_total_time="$seconds" -max_len=1024 -print_final_stats=0 "${dict[@]}" \
    "fuzz-corpus/$name" 2>"build/fuzz/$name.log" \
    || { tail -n 40 "build/fuzz/$name.log"; echo "fuzz: $name FAILED"; exit 1; }
  grep -E '^Done|#[0-9]+.*DONE' "build/fuzz/$name.log" | tail -n 1 || true
done
