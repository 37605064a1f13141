#!/bin/sh
# sign-installer.sh IN.exe OUT.exe WORKDIR: signs IN.exe as a release is signed (Authenticode, SHA-256) with a
# throw-away code-signing certificate made once in WORKDIR by openssl, then checks OUT.exe's signature against
# that certificate with `osslsigncode verify -CAfile`. QUIBEL_OSSLSIGNCODE names the osslsigncode binary (default:
# the one on the PATH). Exit code 77 when it is missing (ctest shows the test as skipped).
set -u
in=$1 out=$2 work=$3
signcode=${QUIBEL_OSSLSIGNCODE:-osslsigncode}
if ! command -v "$signcode" >/dev/null 2>&1; then
    echo "skipped: $signcode not found (scripts/deps.sh installs osslsigncode)"
    exit 77
fi
mkdir -p "$work"
if [ ! -f "$work/signing.pem" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quibel throw-away signing" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
        -keyout "$work/signing.key" -out "$work/signing.pem" >"$work/openssl.out" 2>&1 ||
        { cat "$work/openssl.out"; echo "FAILED: openssl could not make the certificate"; exit 1; }
fi
rm -f "$out"
"$signcode" sign -certs "$work/signing.pem" -key "$work/signing.key" -h sha256 -n Quibel -in "$in" -out "$out" \
    >"$work/sign.out" 2>&1 || { cat "$work/sign.out"; echo "FAILED: $signcode sign $in"; exit 1; }
"$signcode" verify -CAfile "$work/signing.pem" -in "$out" >"$work/verify.out" 2>&1 ||
    { cat "$work/verify.out"; echo "FAILED: $signcode verify $out"; exit 1; }
echo "signed with $("$signcode" --version 2>&1 | head -n 1 | cut -d, -f1): $(basename "$out")"
