#!/usr/bin/env bash
# Checks every fragment program with the reference GLSL compiler as GLSL 1.10
# and 1.20: what strict desktop drivers accept.
# Usage: glslang_check.sh SCENE_SHADER_SOURCE GLSLANG_VALIDATOR
set -euo pipefail
dump=$1
validator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for program in waves balls flight can; do
  for version in 110 120; do
    file="$work/$program-$version.frag"
    { echo "#version $version"; "$dump" "$program"; } > "$file"
    if ! "$validator" "$file" > "$work/log" 2>&1; then
      echo "$program as GLSL $version:"; cat "$work/log"; status=1
    fi
  done
done
exit $status
