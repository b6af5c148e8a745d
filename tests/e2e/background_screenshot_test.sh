#!/usr/bin/env bash
# One case of the background window's screenshot table: the Windows helper starts an
# installer with the case's look and waits behind its start question; this script takes the
# screenshot of the X screen with ImageMagick (outside Wine) and hands it back as a PPM file
# for the helper to sample. The PNG stays in the work folder for a person to look at.
# Runs inside scripts/wine-session (ctest under the win32 preset).
# Usage: background_screenshot_test.sh BACKGROUND-SHOT.exe CASE WORK-DIR
set -euo pipefail
helper=$1 case=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
wine "$helper" "$case" "$(winepath -w "$work")" >"$work/report.txt" 2>&1 &
helper_pid=$!
for _ in $(seq 1 1200); do
  [ -e "$work/ready" ] && break
  kill -0 "$helper_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -e "$work/ready" ]; then
  import -window root "$work/$case.png"
  convert "$work/$case.png" -depth 8 "ppm:$work/shot.ppm.part"
  mv "$work/shot.ppm.part" "$work/shot.ppm"
fi
status=0
wait "$helper_pid" || status=$?
cat "$work/report.txt"
echo "screenshot: $work/$case.png"
exit "$status"
