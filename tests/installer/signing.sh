#!/usr/bin/env bash
# Signing with a company's certificate, played by a throwaway self-signed one: the build's
# signing tool signs copies of both DLLs and of the Windows Installer package, and makensis signs
# the setup program and its uninstaller with it; osslsigncode, trusting only that certificate,
# accepts every signature and refuses a file with one byte changed. The build itself, given no
# certificate, has signed nothing.
#
# Usage: signing.sh SIGN_FILE MSI FILES_TSV MAKENSIS NSI INSTALLER_BUILD_DIR
sign_file=$1 msi=$2 files_tsv=$3 makensis=$4 nsi=$5 build=$6
. "$(dirname "$0")/common.sh"
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Veltrano Publishing Test" \
  -addext keyUsage=digitalSignature -addext extendedKeyUsage=codeSigning \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 &&
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" \
    -passout pass:throwaway >/dev/null 2>&1 || { echo "FAIL: no test certificate"; exit 1; }
export ARDEKO_SIGN_PASSWORD=throwaway
unset ARDEKO_SIGN_TIMESTAMP

for f in "$msi" "$(grep '^x64/OffArdeko.dll' "$files_tsv" | cut -f2)"; do
  verify "$f" && fail "$(basename "$f") of the build is signed, though no certificate was given"
done

# The DLLs and the package.
mkdir "$work/signed"
cp "$msi" "$work/signed/OffArdeko.msi"
cp "$(grep '^x64/OffArdeko.dll' "$files_tsv" | cut -f2)" "$work/signed/OffArdeko-x64.dll"
cp "$(grep '^x86/OffArdeko.dll' "$files_tsv" | cut -f2)" "$work/signed/OffArdeko-x86.dll"
"$sign_file" "$work/cert.pfx" "$work/signed/"* || fail "sign-file failed"
# The setup program, as the build makes it with a certificate; each file makensis has signed is
# kept for a look (the uninstaller is packed into the setup program after signing).
cat >"$work/sign-and-keep" <<SH
#!/bin/sh
"$sign_file" "\$@" && cp "\$2" "$work/signed/finalized-\$(ls "$work/signed" | wc -l).exe"
SH
chmod +x "$work/sign-and-keep"
"$makensis" -V1 -INPUTCHARSET UTF8 -DARDEKO_TARGET=x86-unicode -DARDEKO_OUTFILE="$work/OffArdeko-Setup.exe" \
  -DARDEKO_FILES="$build/Files.nsh" -DARDEKO_ADDINS="$build/Addins.nsh" -DARDEKO_VERSION=3.00 \
  -DARDEKO_VERSION4=3.0.0.0 -DARDEKO_SIGN="$work/sign-and-keep" -DARDEKO_SIGN_PFX="$work/cert.pfx" "$nsi" \
  >"$work/makensis.log" 2>&1 || { fail "makensis with signing failed:"; cat "$work/makensis.log"; }
[ "$(ls "$work/signed"/finalized-*.exe 2>/dev/null | wc -l)" = 2 ] ||
  fail "makensis signed $(ls "$work/signed"/finalized-*.exe 2>/dev/null | wc -l) files, not the uninstaller and the setup program"
cmp -s "$work/OffArdeko-Setup.exe" "$(ls "$work/signed"/finalized-*.exe | tail -1)" ||
  fail "the setup program is not the last file makensis signed"

for f in "$work/signed/"*; do
  if ! verify "$f"; then
    fail "$(basename "$f"): the signature is not accepted:"
    sed 's/^/    /' "$work/verify.log"
  fi
  grep -q '^Message digest algorithm *: SHA256' "$work/verify.log" || fail "$(basename "$f"): not signed with SHA-256"
  # One byte changed in the middle of the file (its bits turned over).
  offset=$(( $(stat -c %s "$f") / 2 ))
  byte=$(od -An -tu1 -j "$offset" -N1 "$f" | tr -d ' ')
  printf "\\$(printf %03o $((255 - byte)))" | dd of="$f" bs=1 seek="$offset" conv=notrunc status=none
  verify "$f" && fail "$(basename "$f"): a changed file still verifies"
done

finish signing
