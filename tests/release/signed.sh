#!/usr/bin/env bash
# A signed release, with a throwaway root and code-signing certificate (RSA 2048): make-release.py
# signs both programs with the key in a PKCS#12 file and with the same key on a SoftHSM token
# through PKCS#11. Both give the same bytes, again and again; each signed program verifies
# against the throwaway root, with the program's name, the portal's address and the release's
# time; one flipped byte fails; without its signature it is the unsigned program; a signing that
# fails leaves no zip. Then the signed program of the build this machine runs under Wine starts
# and shows its window, and Windows' own check (WinVerifyTrust) judges both signed programs, their
# tampered and their stripped copies, in a namespace without any network.
# Usage: signed.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
here=$(dirname "$(realpath "$0")")
source "$here/../e2e/e2e-lib.sh"

# Inside: the window of the signed program, and WinVerifyTrust with the throwaway root trusted.
scenario_signed_window() {
  start_program || return 1
  describe || { fail "DescribeWindow failed"; return 1; }
  check "the signed program's window has its 398 x 294 client area" \
    [ "$(fact client | cut -d' ' -f3-4)" = "398 294" ]
  pointer_away
  check "its background 136 and the buttons' pictures 132 and 138 on the screen" \
    shows "$E2E_OUT/signed.png" background 136 except "$(rect_of 1000)" except "$(rect_of 1001)" \
      except "$(rect_of 1002)" picture "132@$(place_of 1000)" picture "138@$(place_of 1002)"

  # First, before the throwaway root is in the prefix's store: the chain ends in an untrusted
  # root (0x20). Windows then answers CERT_E_UNTRUSTEDROOT; Wine 8 answers trusted all the same,
  # since its Authenticode policy step reads the signer certificate's signature hash into room
  # for a SHA-1 hash, fails on a SHA-256 one, and ends without an error and without judging the
  # chain. So the chain's own status is what proves the root's part here.
  check "WinVerifyTrust: the signed program's chain ends in an untrusted root while the throwaway root is not trusted" \
    trust_says --untrusted "signed-$TIROX_WINE_ARCH" '*; chain 0x00000020'
  local arch
  for arch in win64 win32; do
    check "WinVerifyTrust: the signed $arch program is trusted, its chain without an error" \
      trust_says "signed-$arch" '0x00000000 trusted; chain 0x00000000'
    check "WinVerifyTrust: its tampered copy is not (TRUST_E_BAD_DIGEST 0x80096010 or another failure)" \
      trust_says "tampered-$arch" '0x8*'
    check "WinVerifyTrust: its stripped copy has no signature (TRUST_E_NOSIGNATURE 0x800b0100)" \
      trust_says "stripped-$arch" '0x800b0100 *'
  done
}

# trust_says [--untrusted] NAME PATTERN: VerifyTrust.exe, with the throwaway root trusted (left
# as it is with --untrusted), answers of NAME.exe what the glob PATTERN matches; prints the
# answer, its exit status and how long it took.
trust_says() {
  local trust=(--trust "$(windows_path "$E2E_WIN_DIR/root.cer")") start=$EPOCHREALTIME out status=0
  [ "$1" = --untrusted ] && { trust=(); shift; }
  out=$(e2e_wine "$E2E_WIN_DIR/VerifyTrust.exe" "${trust[@]}" "$(windows_path "$E2E_WIN_DIR/$1.exe")" \
        2>/dev/null | tr -d '\r') || status=$?
  awk -v name="$1" -v out="$out" -v status="$status" -v start="$start" -v end="$EPOCHREALTIME" \
    'BEGIN { printf "  WinVerifyTrust, %s: %s (status %d, %.1f s)\n", name, out, status, end - start }'
  [[ "$out" == $2 ]]
}

windows_path() {
  local path=${1//\//\\}
  echo "Z:$path"
}

e2e_dispatch_inside "$@"
source_dir=$(realpath "${1:?usage: signed.sh SOURCE_DIR BUILD_DIR}")
build=$(realpath "${2:?usage: signed.sh SOURCE_DIR BUILD_DIR}")
unset SIGN_PKCS12 SIGN_PKCS11_MODULE SIGN_KEY SIGN_CERT SIGN_PASS_FILE SIGN_TIMESTAMP_URL
# Where Wine cannot run the build this machine would run, the signing is still proven; the Wine
# step says why it is left out.
if ! wine_missing=$(tirox_wine_unusable "$TIROX_WINE_ARCH"); then
  e2e_setup "$build/$TIROX_WINE_ARCH" "$0"
  if [ ! -f "$E2E_WIN_DIR/VerifyTrust.exe" ]; then
    echo "missing $E2E_WIN_DIR/VerifyTrust.exe (build the Windows tree first)" >&2
    exit 1
  fi
else
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/tirox-signed.XXXXXX")
  E2E_FAILED_SCENARIOS=()
  trap 'rm -rf "$E2E_WORK"' EXIT
fi
E2E_FAILURES=0
work=$E2E_WORK/sign
mkdir -p "$work/tmp"
cd "$work" || exit 1
export SOURCE_DATE_EPOCH=1700000000 TMPDIR=$work/tmp SOFTHSM2_CONF=$work/softhsm2.conf
version=$(head -n 1 "$source_dir/VERSION")
zip_name=TiroxOptimize-$version.zip
module=/usr/lib/softhsm/libsofthsm2.so

# The throwaway root, a code-signing certificate under it, and one that has expired.
cat >x509.cnf <<'EOF'
[signer]
basicConstraints = critical, CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = codeSigning
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
EOF
make_certificates() {
  openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 30 \
    -subj "/CN=Tirox Throwaway Root" -addext "basicConstraints=critical,CA:true" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" &&
  openssl x509 -in root.pem -outform DER -out root.cer &&
  openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/O=Tirox/CN=Tirox Throwaway Signer" &&
  openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -set_serial 2 -days 30 \
    -extfile x509.cnf -extensions signer -out signer.pem &&
  openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -set_serial 3 -days -1 \
    -extfile x509.cnf -extensions signer -out expired.pem &&
  cat signer.pem root.pem >chain.pem &&
  echo 'p12 password' >password && echo 'wrong' >wrong && echo 246810 >pin &&
  openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile root.pem \
    -passout file:password -out signer.p12 &&
  openssl pkcs12 -export -inkey signer.key -in expired.pem -certfile root.pem \
    -passout file:password -out expired.p12 &&
  # The same key on a software token, as an operator's key sits on a hardware one.
  mkdir tokens &&
  printf 'directories.tokendir = %s/tokens\nobjectstore.backend = file\n' "$work" >softhsm2.conf &&
  softhsm2-util --init-token --free --label tirox-release --pin 246810 --so-pin 135791 &&
  openssl pkcs8 -topk8 -nocrypt -in signer.key -out signer.p8 &&
  softhsm2-util --import signer.p8 --token tirox-release --label signer --id 01 --pin 246810
}
make_certificates >certificates.log 2>&1 || { cat certificates.log; echo "FAIL: making the certificates"; exit 1; }
token_key='pkcs11:token=tirox-release;object=signer;type=private'

# release NAME [VARIABLE=VALUE...]: make-release.py with those variables into the build directory
# NAME (the real build's program and tables); its output in NAME.out.
release() {
  local name=$1; shift
  mkdir -p "$name"
  ln -sfn "$build/win64" "$name/win64"
  ln -sfn "$build/win32" "$name/win32"
  ln -sfn "$build/native" "$name/native"
  env "$@" python3 "$source_dir/tools/make-release.py" "$source_dir" "$name" >"$name.out" 2>&1
}

# entry ZIP NAME OUT: the zip's file NAME (as a Chinese Windows reads the names) into OUT.
entry() {
  python3 -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
info = next(i for i in z.infolist() if i.filename.encode("cp437").decode("gbk") == sys.argv[2])
open(sys.argv[3], "wb").write(z.read(info))' "$1" "$2" "$3"
}

# The folder of each build's program in the zip.
declare -A folder=([win64]=64位 [win32]=32位)

# guide_says ZIP TEXT: the guide in the zip holds the text (LF for its CR LF).
guide_says() {
  entry "$1" 使用说明.txt "$1.guide" &&
  python3 -c 'import sys
guide = open(sys.argv[1], "rb").read().decode("utf-8-sig").replace("\r\n", "\n")
sys.exit(sys.argv[2] not in guide)' "$1.guide" "$2"
}

verifies() {
  osslsigncode verify -CAfile root.pem -in "$1" >"$1.verify" 2>&1
}

verifies_with_system_roots() {
  osslsigncode verify -in "$1" >/dev/null 2>&1
}

p12=(SIGN_PKCS12=signer.p12 SIGN_PASS_FILE=password)
token=(SIGN_PKCS11_MODULE=$module "SIGN_KEY=$token_key" SIGN_CERT=chain.pem SIGN_PASS_FILE=pin)

check "without signing variables the unsigned release" release unsigned
check "signing variables left empty, as make passes unset ones: the same unsigned zip" \
  release empty SIGN_PKCS12= SIGN_PKCS11_MODULE= SIGN_KEY= SIGN_CERT= SIGN_PASS_FILE= SIGN_TIMESTAMP_URL=
check "  byte for byte" cmp unsigned/dist/"$zip_name" empty/dist/"$zip_name"

check "signed with the PKCS#12 file" release p12 "${p12[@]}"
check "signed again with it" release p12-again "${p12[@]}"
check "signed with the key on the SoftHSM token (PKCS#11)" release token "${token[@]}"
cat p12.out token.out
check "two signings with the PKCS#12 file give the same zip" \
  cmp p12/dist/"$zip_name" p12-again/dist/"$zip_name"
check "the token's signing gives the same zip as the PKCS#12 file's" \
  cmp p12/dist/"$zip_name" token/dist/"$zip_name"

for arch in win64 win32; do
  entry p12/dist/"$zip_name" "${folder[$arch]}/TiroxOptimize.exe" signed-$arch.exe
  entry token/dist/"$zip_name" "${folder[$arch]}/TiroxOptimize.exe" token-$arch.exe
  echo "  $arch: unsigned $(stat -c %s "$build/$arch/TiroxOptimize.exe") bytes, signed $(stat -c %s signed-$arch.exe) bytes"
done
check "the signed zip holds both signed programs, a complete guide and SHA256SUMS of all three" \
  python3 "$here/check_release.py" p12/dist/"$zip_name" "$source_dir" "$build" signed-win64.exe signed-win32.exe
check "the signed zip's guide names the signer, as Windows shows it" \
  guide_says p12/dist/"$zip_name" $'签名人（发布者）是：\n\n    Tirox Throwaway Signer\n'
check "the unsigned zip's guide says that its programs are not signed" \
  guide_says unsigned/dist/"$zip_name" "这个压缩包中的程序没有签名"

for arch in win64 win32; do
  exe=$build/$arch/TiroxOptimize.exe
  echo "- the $arch program"
  check "the signed program is not the unsigned one" not cmp -s signed-$arch.exe "$exe"
  for name in signed token; do
    check "osslsigncode verify: the $name program against the throwaway root" verifies $name-$arch.exe
  done
  sed -n 's/^\t*\(Signing time\|URL description\|Text description\): /  \1: /p' signed-$arch.exe.verify
  check "signed at the release's time, SOURCE_DATE_EPOCH" grep -qxF $'\tSigning time: '"$(LC_ALL=C \
    date -u -d @$SOURCE_DATE_EPOCH '+%b %e %H:%M:%S %Y GMT')" signed-$arch.exe.verify
  check "  described as TiroxOptimize" grep -qxF $'\tText description: TiroxOptimize' signed-$arch.exe.verify
  check "  with the portal's address" grep -qxF $'\tURL description: https://tirox.example/' signed-$arch.exe.verify
  check "osslsigncode verify fails without the throwaway root (the system's roots only)" \
    not verifies_with_system_roots signed-$arch.exe

  python3 -c 'import sys; d = bytearray(open(sys.argv[1], "rb").read()); d[len(d) // 2] ^= 1; open(sys.argv[2], "wb").write(d)' \
    signed-$arch.exe tampered-$arch.exe
  check "one flipped byte in the middle of the signed program fails verification" not verifies tampered-$arch.exe
  grep -m1 'Calculated message digest\|Signature verification' tampered-$arch.exe.verify | sed 's/^/  /'
  osslsigncode remove-signature -in signed-$arch.exe -out stripped-$arch.exe >/dev/null
  check "the signed program without its signature is the unsigned one, byte for byte" cmp stripped-$arch.exe "$exe"
  check "  and that no longer verifies" not verifies stripped-$arch.exe
done

# A signing that fails stops with a message and leaves neither a zip (not even an earlier one)
# nor anything signed in the temporary directory.
fails() {
  local name=$1 message=$2; shift 2
  mkdir -p "$name/dist"
  cp p12/dist/"$zip_name" "$name/dist/"
  if release "$name" "$@"; then
    echo "  $name: signing succeeded"; return 1
  fi
  sed 's/^/  /' "$name.out" | head -n 3
  grep -qF -- "$message" "$name.out" || { echo "  $name: no \"$message\""; return 1; }
  [ ! -e "$name/dist/$zip_name" ] || { echo "  $name: a zip is left"; return 1; }
  [ -z "$(ls -A "$TMPDIR")" ] || { echo "  $name: left in $TMPDIR: $(ls -A "$TMPDIR")"; return 1; }
}
failed="signing 64位/TiroxOptimize.exe failed"
check "a wrong password" fails wrong-password "$failed" SIGN_PKCS12=signer.p12 SIGN_PASS_FILE=wrong
check "a wrong PIN" fails wrong-pin "$failed" "${token[@]:0:3}" SIGN_PASS_FILE=wrong
check "no such token" fails no-token "$failed" "${token[@]}" 'SIGN_KEY=pkcs11:token=absent;object=signer;type=private'
check "no such module" fails no-module "SIGN_PKCS11_MODULE=$work/absent.so is no file" "${token[@]}" \
  SIGN_PKCS11_MODULE="$work/absent.so"
check "an expired certificate" fails expired "certificate not valid now: CN=Tirox Throwaway Signer,O=Tirox (valid " \
  SIGN_PKCS12=expired.p12 SIGN_PASS_FILE=password
check "a token without its key's name" fails incomplete "cannot sign without SIGN_KEY, SIGN_CERT" \
  SIGN_PKCS11_MODULE=$module SIGN_PASS_FILE=pin

# The signed program of the build this machine runs under Wine, with that build's tools beside
# it as in the build directory; WinVerifyTrust judges the copies of both programs.
signed_dir=$E2E_WORK/signed-$TIROX_WINE_ARCH
mkdir -p "$signed_dir"
cp "signed-$TIROX_WINE_ARCH.exe" "$signed_dir/TiroxOptimize.exe"
cp signed-win64.exe signed-win32.exe tampered-win64.exe tampered-win32.exe \
   stripped-win64.exe stripped-win32.exe root.cer "$signed_dir/"
if [ -z "${wine_missing:-}" ]; then
  for tool in ReadLogPane DescribeWindow PostStartCommand VerifyTrust; do
    cp "$build/$TIROX_WINE_ARCH/$tool.exe" "$signed_dir/"
  done
  E2E_WIN_DIR=$signed_dir
  echo "- under Wine: the signed $TIROX_WINE_ARCH program ($TIROX_WINE)"
  e2e_scenario signed_window --no-net
else
  echo "- left out: the signed program's window and WinVerifyTrust under Wine: $wine_missing"
fi
[ "$E2E_FAILURES" -eq 0 ] || E2E_FAILED_SCENARIOS+=(signing)
e2e_finish
