# Sourced by the test scripts that need a Wine prefix of their own (a restart, another screen
# density): copy_wine_prefix TARGET copies the test prefix of the session into TARGET. system32 and
# syswow64 are hard-linked, the rest is copied: wineserver rewrites the registry files in
# place, so those must not be shared. Other tests run in the source prefix meanwhile: their
# temporary folders are left out, and tar's status 1 (a file changed while it was read) is
# not a failure of the copy.
copy_wine_prefix() {
  local source_prefix="${VANTREL_WINEPREFIX:?run inside scripts/wine-session}" prefix="$1"
  mkdir -p "$prefix"
  (cd "$source_prefix" && { tar --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/syswow64 \
    --exclude='./drive_c/users/*/Temp' --warning=no-file-changed -cf - . || [ $? -eq 1 ]; }) |
    (cd "$prefix" && tar -xf -)
  for user_folder in "$prefix"/drive_c/users/*/; do mkdir -p "${user_folder}Temp"; done
  cp -al "$source_prefix/drive_c/windows/system32" "$prefix/drive_c/windows/system32"
  cp -al "$source_prefix/drive_c/windows/syswow64" "$prefix/drive_c/windows/syswow64"
}
