#!/usr/bin/env bash
# Runs scripts/spdx.sh on a small git tree: --check lists the files without
# the license identifier, stamping puts it where each language wants it, and
# a second run changes nothing.
#   tests/package/check-spdx.sh SPDX_SCRIPT
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "spdx check: $*" >&2; exit 1; }

cd "$work"
git init -q .
mkdir sub
printf '#!/bin/sh\necho hi\n' >run.sh
chmod +x run.sh
printf '#!/usr/bin/env python3\n# -*- coding: utf-8 -*-\nprint(1)\n' >tool.py
printf 'class A {}' >A.java
printf 'project(x)\n' >sub/CMakeLists.txt
printf '// SPDX-License-Identifier: MIT\nint x;\n' >done.cpp
printf '#pragma once\n' >b.h
printf '# Notes\n' >notes.md
git add .
printf 'int y;\n' >untracked.cpp

listed=$("$script" --check . 2>/dev/null) && fail "--check passed a tree without identifiers"
[ "$listed" = "$(printf 'A.java\nb.h\nrun.sh\nsub/CMakeLists.txt\ntool.py')" ] || fail "--check listed: $listed"

"$script" .
expect() {
  [ "$(cat "$1")" = "$(printf "$2")" ] || fail "$1 reads: $(cat "$1")"
}
expect run.sh '#!/bin/sh\n# SPDX-License-Identifier: MIT\necho hi'
expect tool.py '#!/usr/bin/env python3\n# -*- coding: utf-8 -*-\n# SPDX-License-Identifier: MIT\nprint(1)'
expect A.java 'class A {}\n// SPDX-License-Identifier: MIT'
expect sub/CMakeLists.txt '# SPDX-License-Identifier: MIT\nproject(x)'
expect b.h '// SPDX-License-Identifier: MIT\n#pragma once'
expect done.cpp '// SPDX-License-Identifier: MIT\nint x;'
expect notes.md '# Notes'
expect untracked.cpp 'int y;'
[ -x run.sh ] || fail "run.sh lost its executable bit"

sums() { find . -path ./.git -prune -o -type f -exec md5sum {} + | sort; }
before=$(sums)
"$script" .
[ "$(sums)" = "$before" ] || fail "a second run changed the tree"
[ -z "$("$script" --check .)" ] || fail "--check lists files of a stamped tree"
echo "spdx check: passed"
