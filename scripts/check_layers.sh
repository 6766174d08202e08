#!/usr/bin/env bash
# The program's folders stand in layers, lowest first. A source file may include headers of its own
# folder and of the layers below it, never of a layer above it nor of another folder on its own layer.
# Prints every include that breaks this and fails; run from anywhere.
set -u
cd "$(dirname "$0")/.."

# One line a layer, lowest first; folders on one line stand side by side.
LAYERS=(
  "platform"
  "platform/files"
  "pictures"
  "platform/controls"
  "forms"
  "viewer help"
  "browser"
  "app"
)

declare -A rank
for i in "${!LAYERS[@]}"; do
  for folder in ${LAYERS[$i]}; do rank[$folder]=$i; done
done

status=0
checked=0
# Tests, benchmarks and fuzzers stand on every layer and are not checked.
for file in $(find "${!rank[@]}" -maxdepth 1 -type f \( -name '*.h' -o -name '*.cpp' \) | sort); do
  from=$(dirname "$file")
  checked=$((checked + 1))
  while IFS=: read -r line text; do
    header=$(sed 's/[^"]*"\([^"]*\)".*/\1/' <<<"$text")
    to=$(dirname "$header")
    if [[ ! -v rank[$to] ]]; then
      echo "$file:$line: includes \"$header\", from no layer"
      status=1
    elif [[ $to != "$from" && ${rank[$to]} -ge ${rank[$from]} ]]; then
      echo "$file:$line: $from includes \"$header\" from $to, which does not stand below it"
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done

if ((checked == 0)); then
  echo "no source files found"
  exit 1
fi
((status == 0)) && echo "layers: $checked files, every include from its own folder or a layer below"
exit $status
