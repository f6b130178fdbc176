#!/usr/bin/env bash
# Each release archive holds exactly what its README.txt lists, and each of its
# programs and libraries is built for the archive's machine.
#   check_archives.sh BUILD_FOLDER
set -uo pipefail
build=$(cd "$1" && pwd)
fail=0
for zip in "$build"/PraloPM-*-x64.zip "$build"/PraloPM-*-x86.zip; do
  [ -f "$zip" ] || { echo "missing $zip (scripts/package makes it)"; fail=1; continue; }
  dir=$(mktemp -d)
  (cd "$dir" && cmake -E tar xf "$zip")
  root="$dir/$(ls "$dir")"
  case $zip in *-x64.zip) want=pei-x86-64 ;; *) want=pei-i386 ;; esac
  listed=$(tr -d '\r' <"$root/README.txt" | sed -n 's/^  \(\([A-Za-z]*\\\)\{0,1\}[A-Za-z0-9]*\.[a-z]*\)  .*/\1/p' | tr '\\' '/' | sort)
  present=$(cd "$root" && find . -type f ! -name README.txt | sed 's|^\./||' | sort)
  if [ -z "$listed" ] || [ "$listed" != "$present" ]; then
    echo "$(basename "$zip"): README.txt lists"$'\n'"$listed"$'\n'"but the archive holds"$'\n'"$present"
    fail=1
  fi
  while read -r binary; do
    format=$(x86_64-w64-mingw32-objdump -f "$root/$binary" | sed -n 's/.*file format //p')
    [ "$format" = "$want" ] || { echo "$(basename "$zip"): $binary is $format, not $want"; fail=1; }
  done < <(cd "$root" && find . -name '*.exe' -o -name '*.dll')
  rm -rf "$dir"
done
[ $fail -eq 0 ] && echo "archives: every listed file, nothing else, each binary for its machine"
exit $fail
