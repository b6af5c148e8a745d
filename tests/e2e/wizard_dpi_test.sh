#!/usr/bin/env bash
# The wizard is laid out for the screen's density: the same language, start and progress pages and
# background title come out half as large again at 144 DPI as at 96. The density is a
# setting of the user's registry, read when a program starts, so the 144 DPI run has a copy
# of the test prefix of its own (the other tests keep theirs):
#   1. the probe walks the pages in the test prefix and prints their sizes (96 DPI);
#   2. the copy gets LogPixels 144 and the probe walks them there again;
#   3. each size grew by a factor near 1.5 (heights follow the font's whole pixels: up to
#      1.6). Within each run the probe has checked that the
#      side picture fills its control and that every text fits its control.
# The two reports and the screenshots stay in WORK_DIR for a person to look at.
# Usage: wizard_dpi_test.sh WIZARD-DPI-PROBE.exe WORK_DIR
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/copy_wine_prefix.sh"
probe="$1"
work="$2"
prefix="$work/prefix"

cleanup() {
  if [ -d "$prefix" ]; then WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; fi
  rm -rf "$prefix"
}
trap cleanup EXIT
rm -rf "$work"
mkdir -p "$work/96" "$work/144"

status=0
# The probe writes Windows line ends; the comparison wants plain ones.
wine "$probe" "$work/96" </dev/null 2>&1 | tr -d '\r' >"$work/96/report.txt" || status=$?
cat "$work/96/report.txt"
[ "$status" -eq 0 ] || { echo "the probe failed at the usual density ($status)"; exit 1; }
grep -qx 'dpi 96' "$work/96/report.txt" || { echo "the test prefix is not at 96 DPI"; exit 1; }

copy_wine_prefix "$prefix"
(
  export WINEPREFIX="$prefix"
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f </dev/null >/dev/null 2>&1
  wine "$probe" "$work/144" </dev/null 2>&1
) | tr -d '\r' >"$work/144/report.txt" || status=$?
cat "$work/144/report.txt"
[ "$status" -eq 0 ] || { echo "the probe failed at 144 DPI ($status)"; exit 1; }
grep -qx 'dpi 144' "$work/144/report.txt" || { echo "LogPixels did not reach the copy"; exit 1; }

# Every size of the 144 DPI report against the same size at 96 DPI.
awk '
  NF != 2 || $2 !~ /^[0-9]+$/ || $1 == "dpi" { next }
  NR == FNR { usual[$1] = $2; next }
  $1 in usual && usual[$1] > 0 {
    compared++
    ratio = $2 / usual[$1]
    printf "%-22s %5d -> %5d  x%.2f\n", $1, usual[$1], $2, ratio
    if (ratio < 1.35 || ratio > 1.7) { print "  not scaled with the density"; bad++ }
  }
  END { if (compared < 10) { print "only " compared " sizes compared"; bad++ } exit bad > 0 }
' "$work/96/report.txt" "$work/144/report.txt"
