#!/usr/bin/env bash
# Gives every source file of the tree the one-line license identifier
#   // SPDX-License-Identifier: MIT     (C, C++, Java)
#   # SPDX-License-Identifier: MIT      (shell, Python, CMake)
# where it is missing, and leaves files that have one alone, so running it
# again changes nothing. The line goes first, after a "#!" line and a Python
# coding line; in Java sources it goes last, because the class files of the
# committed JARs record line numbers and are rebuilt byte for byte.
#
#   scripts/spdx.sh [--check] [FOLDER]
#
# FOLDER is a git work tree (default: the one this script is in); its files
# are those git knows. With --check nothing is changed: the files without the
# line are listed and the exit status is 1 when there is one.
set -euo pipefail

readonly tag="SPDX-License-Identifier: MIT"
check=false
if [ "${1:-}" = --check ]; then
  check=true
  shift
fi
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# The comment that starts a line in FILE's language; nothing for other files.
comment_of() {
  case "$1" in
    *.c | *.cpp | *.h | *.java) echo "//" ;;
    *.sh | *.py | *.cmake | CMakeLists.txt | */CMakeLists.txt) echo "#" ;;
  esac
}

# How many first lines stay above the identifier: a "#!" line, then a Python
# encoding declaration.
lines_kept_above() {
  local file=$1 kept=0
  if head -n 1 "$file" | grep -q '^#!'; then kept=1; fi
  if [[ $file == *.py ]] && sed -n "$((kept + 1))p" "$file" | grep -Eq '^#.*coding[:=]'; then
    kept=$((kept + 1))
  fi
  echo "$kept"
}

stamp() {
  local file=$1 line=$2 stamped
  stamped=$(mktemp)
  if [[ $file == *.java ]]; then
    cat "$file" >"$stamped"
    # A last line without its line end keeps it; the identifier follows.
    if [ -n "$(tail -c 1 "$file")" ]; then echo >>"$stamped"; fi
    echo "$line" >>"$stamped"
  else
    local kept
    kept=$(lines_kept_above "$file")
    { head -n "$kept" "$file"; echo "$line"; tail -n "+$((kept + 1))" "$file"; } >"$stamped"
  fi
  # Written through the file itself, so that its mode (executable scripts) stays.
  cat "$stamped" >"$file"
  rm -f "$stamped"
}

missing=0
while IFS= read -r -d '' file; do
  comment=$(comment_of "$file")
  if [ -z "$comment" ] || [ ! -f "$file" ] || [ -L "$file" ]; then continue; fi
  grep -q "$tag" "$file" && continue
  if $check; then
    echo "$file"
    missing=$((missing + 1))
  else
    stamp "$file" "$comment $tag"
  fi
done < <(git ls-files -z)

if $check && [ "$missing" -gt 0 ]; then
  echo "spdx.sh: $missing file(s) without \"$tag\" (scripts/spdx.sh adds it)" >&2
  exit 1
fi
exit 0
