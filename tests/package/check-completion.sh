#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Completes vorlan-batch command lines as bash does on Tab, with the
# completion the package installs and the built program.
#   tests/package/check-completion.sh BIN_DIR COMPLETION_FILE
set -uo pipefail
bin=$1
completion=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PATH="$bin:$PATH"
# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion
# shellcheck source=/dev/null
source "$completion"

failures=0
fail() {
  echo "completion check: $*" >&2
  failures=$((failures + 1))
}

# The words of a command line, the last one being completed, as bash gives
# them (it splits "--api=x" into "--api", "=", "x"); prints the candidates,
# one a line, sorted.
candidates() {
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  # The line as typed: no blank on either side of an "=".
  local word previous=""
  COMP_LINE=""
  for word in "$@"; do
    if [ -z "$COMP_LINE" ] || [ "$word" = "=" ] || [ "$previous" = "=" ]; then
      COMP_LINE+=$word
    else
      COMP_LINE+=" $word"
    fi
    previous=$word
  done
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _vorlan_batch "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  [ ${#COMPREPLY[@]} -gt 0 ] && printf '%s\n' "${COMPREPLY[@]}" | sort
}

# expect "WANTED..." WORD...: the candidates are exactly WANTED (space-separated).
expect() {
  local wanted got
  wanted=$(tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort)
  shift
  got=$(candidates "$@")
  [ "$got" = "$wanted" ] || fail "[$*]: got [$(echo $got)], wanted [$(echo $wanted)]"
}

# includes "WANTED..." WORD...: every WANTED is among the candidates.
includes() {
  local wanted=$1 got name
  shift
  got=$(candidates "$@")
  for name in $wanted; do
    grep -qx -- "$name" <<<"$got" || fail "[$*]: $name is not offered (got: $(echo $got))"
  done
}

complete -p vorlan-batch | grep -q -- '-F _vorlan_batch' || fail "no completion for vorlan-batch"

# Options: vorlan-batch's own, the ones it takes in any case, and those a
# newer program lists in its --help.
includes "--mode --api --api-dir --fix-version --fix-template --jobs --list-apis --check --version --help \
  --recursive --out --force --report --quiet --strict --repair --manifest-charset --profile --platform" vorlan-batch --
expect "--mode" vorlan-batch --mo
mkdir -p "$work/newer"
printf '#!/bin/sh\nprintf "Options:\\n  --brand-new NAME      a later option\\n  -z, --zeta            another\\n"\n' \
  >"$work/newer/vorlan-batch"
chmod +x "$work/newer/vorlan-batch"
includes "--brand-new --zeta -z --mode" "$work/newer/vorlan-batch" -

# Values: modes, and the API names --list-apis gives for the folder the line names.
expect "0 1" vorlan-batch --mode ""
mkdir -p "$work/API"
touch "$work/API/nokia.zip" "$work/API/siemens.jar" "$work/API/notes.txt"
expect "auto nokia.zip siemens.jar" vorlan-batch --api-dir "$work/API" --api ""
expect "siemens.jar" vorlan-batch --api-dir = "$work/API" --api = s

# Files by mode: JARs in mode 0, JARs and JADs in mode 1 and with --check;
# folders in each; after "--" a word with a dash is a file.
mkdir -p "$work/games/sub"
touch "$work/games/Snake.jar" "$work/games/Tetris.JAD" "$work/games/notes.txt" "$work/games/-odd.jar"
cd "$work/games" || exit 1
expect "Snake.jar" vorlan-batch S
expect "-odd.jar Snake.jar sub" vorlan-batch --api nokia.zip ""
expect "-odd.jar Snake.jar Tetris.JAD sub" vorlan-batch --mode 1 ""
expect "-odd.jar Snake.jar Tetris.JAD sub" vorlan-batch --check ""
expect "-odd.jar" vorlan-batch -- -
expect "sub" vorlan-batch --out ""

[ "$failures" -eq 0 ] || exit 1
echo "completion check: passed"
