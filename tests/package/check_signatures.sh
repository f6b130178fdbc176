#!/usr/bin/env bash
# Every program, library and installer package of the release carries an Authenticode
# signature that verifies against the build's test certificate authority, and a file
# altered after signing fails the check.
#   check_signatures.sh BUILD_FOLDER
set -uo pipefail
build=$(cd "$1" && pwd)
ca=$build/signing/ca.pem
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
verifies() { osslsigncode verify -CAfile "$ca" -in "$1" >"$work/verify.log" 2>&1; }

shipped=("$build"/PraloPM-*.msi)
for zip in "$build"/PraloPM-*.zip; do
  mkdir -p "$work/$(basename "$zip")"
  (cd "$work/$(basename "$zip")" && cmake -E tar xf "$zip")
done
while read -r file; do shipped+=("$file"); done < <(find "$work" -name '*.exe' -o -name '*.dll')
[ ${#shipped[@]} -ge 20 ] || { echo "only ${#shipped[@]} shipped files found"; fail=1; }
for file in "${shipped[@]}"; do
  verifies "$file" || { echo "not verified: ${file#"$work"/}"; cat "$work/verify.log"; fail=1; }
done

# One byte changed in the code of a program, and in the middle of a package.
for original in "$(find "$work" -name prlport.exe | head -1)" "${shipped[0]}"; do
  altered=$work/altered-$(basename "$original")
  cp "$original" "$altered"
  offset=$(($(stat -c %s "$altered") / 2))
  printf '\x5a' | dd of="$altered" bs=1 seek="$offset" conv=notrunc status=none
  cmp -s "$original" "$altered" && printf '\xa5' | dd of="$altered" bs=1 seek="$offset" conv=notrunc status=none
  if verifies "$altered"; then echo "an altered $(basename "$original") still verifies"; fail=1; fi
done
[ $fail -eq 0 ] && echo "signatures: ${#shipped[@]} shipped files verified; altered files refused"
exit $fail
