#!/usr/bin/env bash
# Prints why each skipped test was skipped, after a CTest run (ctest's own
# summary names them only). Usage: tools/skip-reasons.sh CTEST-OUTPUT LASTTEST-LOG
# The reason is what the test printed: GoogleTest's line after "Skipped", a
# script's "SKIP..." line, or else its last line of output.
set -u
summary=$1 log=$2
[ -f "$summary" ] && [ -f "$log" ] || exit 0
names=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (Skipped)$/\1/p' "$summary")
[ -n "$names" ] || exit 0
echo
echo "Skipped tests and why:"
while IFS= read -r name; do
  reason=$(awk -v want="$name" '
    / Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); test = $0; inout = 0; next }
    test == want && /^Output:$/ { inout = 1; getline; next }
    test == want && /^<end of output>$/ { inout = 0; test = ""; next }
    test == want && inout {
      if (after) { gt = $0; after = 0 }
      if ($0 ~ /: Skipped$/) after = 1
      if ($0 ~ /^SKIP/ && script == "") script = $0
      if ($0 != "") last = $0
    }
    END { print (gt != "" ? gt : (script != "" ? script : last)) }' "$log")
  printf '  %s: %s\n' "$name" "${reason:-(no reason printed)}"
done <<<"$names"
