#!/usr/bin/env bash
# Operations left to the next restart are carried out by it. A restart ends every process of
# a Wine prefix, so it runs in a copy of the test prefix (the other tests keep theirs):
#   1. copy the prefix (tests/support/copy_wine_prefix.sh);
#   2. the helper locks three files through a child process and leaves them to the restart:
#      a write registered for replacement, a deletion registered on failure, a conditional
#      deletion with the restart-on-failure bit;
#   3. "wineserver -k; wineboot -r" restarts the copy;
#   4. the new content is in place, no temporary file is left, the deleted files are gone.
# Usage: restart_operations_test.sh HELPER_EXE WORK_DIR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/copy_wine_prefix.sh"
helper="$1"
work="$2"
prefix="$work/prefix"

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
cleanup() {
  if [ -d "$prefix" ]; then WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$work"
copy_wine_prefix "$prefix"
cp "$helper" "$work/helper.exe"

export WINEPREFIX="$prefix"
folder="$prefix/drive_c/restart-test"
status=0
wine "$work/helper.exe" restart-setup 'C:\restart-test' </dev/null || status=$?
if [ "$status" -ne 0 ]; then
  echo "helper failed with $status"
  exit 1
fi
[ "$(cat "$folder/target.txt")" = "old content" ] || { echo "target replaced before the restart"; exit 1; }
ls "$folder"/QVT*.tmp >/dev/null 2>&1 || { echo "no QVT temporary file beside the target"; exit 1; }

wineserver -k
wine wineboot -r </dev/null >/dev/null 2>&1
wineserver -w

fail=0
content="$(cat "$folder/target.txt" 2>/dev/null || true)"
[ "$content" = "new content" ] || { echo "target holds '$content' after the restart"; fail=1; }
if ls "$folder"/QVT*.tmp >/dev/null 2>&1; then echo "a QVT file is left: $(ls "$folder")"; fail=1; fi
[ ! -e "$folder/deleted.txt" ] || { echo "deleted.txt still exists"; fail=1; }
[ ! -e "$folder/conditional.txt" ] || { echo "conditional.txt still exists"; fail=1; }
exit $fail
