#!/usr/bin/env bash
# SPDX-License-Identifier: LGPL-3.0-or-later
# Signs a Windows file (a PE program or DLL, or an installer) in place with Authenticode,
# SHA-256, through osslsigncode.
# Usage: sign-file.sh FILE PFX [TIMESTAMP_URL] [URL]
#   PFX: a PKCS#12 file holding the code-signing key and certificate (and its chain); its
#        password is in QUILLSIFT_SIGN_PASSWORD, read here and never put on a command line.
#   TIMESTAMP_URL: an RFC 3161 timestamp server, so that the signature outlives the certificate.
#   URL: the project's page, shown with the signature.
set -euo pipefail
if [[ $# -lt 2 || $# -gt 4 ]]; then
    echo "usage: $0 FILE PFX [TIMESTAMP_URL] [URL]" >&2
    exit 2
fi
file=$1
pfx=$2
timestamp=${3:-}
url=${4:-}
if ! command -v osslsigncode >/dev/null; then
    echo "$0: osslsigncode is missing (bash .ci/install-deps --windows installs it)" >&2
    exit 1
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The password goes through a file only this user can read.
(umask 077 && printf '%s' "${QUILLSIFT_SIGN_PASSWORD:-}" >"$scratch/password")
options=(-pkcs12 "$pfx" -readpass "$scratch/password" -h sha256 -n Quillsift)
[[ -z $url ]] || options+=(-i "$url")
[[ -z $timestamp ]] || options+=(-ts "$timestamp")
if ! osslsigncode sign "${options[@]}" -in "$file" -out "$scratch/signed" >"$scratch/log" 2>&1; then
    echo "$0: cannot sign $file:" >&2
    cat "$scratch/log" >&2
    exit 1
fi
cat "$scratch/signed" >"$file"
echo "signed $(basename "$file")"
