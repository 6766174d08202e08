#!/usr/bin/env bash
# Builds the fuzz targets with clang into build-fuzz/ and runs each, both at once, for a set time
# on a seed corpus made on the spot. Not part of the test suite.
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET]     (default 600; FUZZ_TARGETS="decode jpeg" runs only those)
# What a run finds is kept in build-fuzz/findings/<target>/ (replay one with
# build-fuzz/fuzz/fuzz_<target> FILE); the corpus grown so far in build-fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

bash scripts/setup.sh
# Fuzzing alone needs clang and its runtime (libFuzzer and the sanitizers).
missing=()
for p in clang libclang-rt-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

out=build-fuzz
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DTESSALINE_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$out" --target fuzz_picture fuzz_helptext fuzz_jpeg fuzz_decode
python3 fuzz/make_seeds.py "$out/seeds/picture" "$out/seeds/helptext" help/Help.txt
# The JPEG decoder starts from the JPEG seeds alone.
mkdir -p "$out/seeds/jpeg"
cp "$out"/seeds/picture/*.jpg "$out/seeds/jpeg/"
# The decoders alone start from the seeds of the formats web pages serve, and a JPEG.
mkdir -p "$out/seeds/decode"
cp "$out"/seeds/picture/*.png.* "$out"/seeds/picture/*.webp.* "$out"/seeds/picture/*.avif.* "$out"/seeds/picture/baseline.jpg \
   "$out/seeds/decode/"

# Undefined behaviour stops the run as a crash does (the code is built not to recover from it). The leak
# check after an input that allocated more than it freed lists its suppressions every time: not here.
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=print_suppressions=0
targets=(picture helptext jpeg decode)
[ -n "${FUZZ_TARGETS:-}" ] && read -ra targets <<<"$FUZZ_TARGETS"
declare -A pid
for target in "${targets[@]}"; do
    mkdir -p "$out/corpus/$target" "$out/findings/$target"
    echo "fuzz_$target: $seconds s, log in $out/fuzz_$target.log"
    # The program accepts decodes of up to 1 GB: the memory limit leaves room for one.
    words=()
    [ -f "fuzz/fuzz_$target.dict" ] && words=(-dict="fuzz/fuzz_$target.dict")
    "$out/fuzz/fuzz_$target" "$out/corpus/$target" "$out/seeds/$target" -max_total_time="$seconds" "${words[@]}" \
        -rss_limit_mb=4096 -timeout=60 -print_final_stats=1 -artifact_prefix="$out/findings/$target/" \
        >"$out/fuzz_$target.log" 2>&1 &
    pid[$target]=$!
done

status=0
for target in "${targets[@]}"; do
    wait "${pid[$target]}" || status=1
    echo "== fuzz_$target"
    grep -E "^#[0-9]+[[:space:]]+DONE|^Done [0-9]+ runs|^stat::number_of_executed_units|^stat::peak_rss_mb" "$out/fuzz_$target.log" || true
    grep -E "^==[0-9]+==ERROR|runtime error|^SUMMARY|^artifact_prefix|Test unit written" "$out/fuzz_$target.log" || true
done
ls -l "$out"/findings/*/ 2>/dev/null | grep -v '^total' || true
exit $status
