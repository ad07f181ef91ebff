#!/usr/bin/env bash
# Signs copies of a stand-in program with certificates made here, for the tests of what an
# elevated installer agrees to run: a root certificate (root.der, which the tests add to the
# prefix's trusted roots) and two code-signing certificates under it, one named like Microsoft's
# ("Microsoft Corporation") and one of someone else; and a copy signed by a certificate named
# like Microsoft's that signs itself, under no root.
# usage: sign_standins.sh PROGRAM OUT_DIR
#   ->  OUT_DIR/{root.der,microsoft.exe,someone-else.exe,self-signed.exe}
set -euo pipefail
program=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 3650 \
  -subj "/CN=Verilune Test Root" -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >leaf.cnf
sign() {  # NAME OUTPUT [self]
  openssl req -newkey rsa:2048 -nodes -keyout leaf.key -out leaf.csr -subj "/C=US/O=$1/CN=$1" 2>/dev/null
  if [ "${3:-}" = self ]; then
    openssl x509 -req -in leaf.csr -signkey leaf.key -days 3650 -extfile leaf.cnf -out leaf.pem 2>/dev/null
  else
    openssl x509 -req -in leaf.csr -CA root.pem -CAkey root.key -CAcreateserial -days 3650 \
      -extfile leaf.cnf -out leaf.pem 2>/dev/null
  fi
  osslsigncode sign -certs leaf.pem -key leaf.key -h sha256 -in "$program" -out signed.exe >/dev/null
  mv signed.exe "$out/$2"
}
sign "Microsoft Corporation" microsoft.exe
sign "Someone Else" someone-else.exe
sign "Microsoft Corporation" self-signed.exe self
openssl x509 -in root.pem -outform DER -out "$out/root.der"
