#!/usr/bin/env bash
# Checks the GLSL ES 3.00 rewrite of every program with the reference GLSL
# compiler: the shared vertex stage linked with each fragment stage.
# Usage: es_glslang_check.sh WEB_ES_SOURCE GLSLANG_VALIDATOR
set -euo pipefail
dump=$1
validator=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$dump" vertex > "$work/shared.vert"
status=0
for program in waves balls flight can; do
  "$dump" "$program" > "$work/$program.frag"
  if ! "$validator" -l "$work/shared.vert" "$work/$program.frag" > "$work/log" 2>&1; then
    echo "$program as GLSL ES 3.00:"; cat "$work/log"; status=1
  fi
done
exit $status
