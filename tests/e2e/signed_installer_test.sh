#!/usr/bin/env bash
# A data-in-file installer signed after it was built (the way vendors sign) must still read
# its payload: the certificate table that signing appends is not part of the data area.
# Runs inside scripts/wine-session (ctest under the win32 preset).
# Usage: signed_installer_test.sh BUILDER.exe ENGINE.exe UI-PROBE.exe SOURCE-DIR WORK-DIR
set -euo pipefail
builder=$1 engine=$2 probe=$3 source=$4 work=$5
rm -rf "$work" && mkdir -p "$work"
cp -r "$source/examples/hello" "$work/hello"
# Same example, data stored after the section.
sed -i 's/^block_size = "8 MiB"$/block_size = "8 MiB"\ndata_in_file = true/' "$work/hello/hello.toml"
grep -q '^data_in_file = true$' "$work/hello/hello.toml"

win() { winepath -w "$1"; }
# A silent run registers the example under the Uninstall key; the next run would otherwise
# install over that earlier installation, into its folder. The engine is a 32-bit program.
forget_example() {
  wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Hello World' /f /reg:32 \
    >/dev/null 2>&1 || true
}
trap forget_example EXIT
wine "$builder" "$(win "$work/hello/hello.toml")" -o "$(win "$work/setup.exe")" --engine "$(win "$engine")" --quiet

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=Vantrel Setup test" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -in "$work/setup.exe" -out "$work/signed.exe" >/dev/null

# A silent run into a folder of its own: an accepted payload installs the example's files,
# a rejected one ends before the first of them is written.
for installer in setup.exe signed.exe; do
  target="$work/installed-${installer%.exe}"
  forget_example
  report=$(wine "$probe" "$(win "$work/$installer")" /silent "/d:$(win "$target")" | tr -d '\r')
  echo "$installer: $report"
  if [ "$report" != $'(no window)\nexit code: 1' ] || [ ! -f "$target/hello.cmd" ] ||
     [ ! -f "$target/docs/manual.txt" ]; then
    echo "FAILED: $installer was not accepted" >&2
    exit 1
  fi
done
echo "signed data-in-file installer accepted"
