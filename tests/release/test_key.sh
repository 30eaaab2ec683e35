# shellcheck shell=bash
# A throw-away signing key for tests, made with openssl at test time: a test CA, a
# code-signing certificate it issued (in a PKCS#12 file with a random password) and a
# time-stamping certificate. Sourced, not executed.
#
#   tw_test_signing_key DIR   makes them in DIR and exports TIDEWELL_SIGN_PKCS12,
#                             TIDEWELL_SIGN_PASSWORD and TIDEWELL_SIGN_CAFILE (the CA,
#                             also as DIR/ca.der for a Wine prefix's root store)
tw_test_signing_key() {
  local dir=$1
  mkdir -p "$dir"
  (
    set -e
    cd "$dir"
    quiet() { "$@" > /dev/null 2>&1 || { echo "test key: $1 failed" >&2; return 1; }; }
    quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3 \
      -subj "/CN=Tidewell Test CA" -addext "basicConstraints=critical,CA:TRUE" \
      -addext "keyUsage=critical,keyCertSign,cRLSign"
    openssl x509 -in ca.pem -outform DER -out ca.der
    issue() {  # NAME SUBJECT EXTENDED-KEY-USAGE
      quiet openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "$2"
      printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=%s\n' "$3" > "$1.ext"
      quiet openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 3 \
        -extfile "$1.ext" -out "$1.pem"
    }
    issue sign "/CN=Quillmere Test Signing/O=Quillmere" codeSigning
    issue tsa "/CN=Tidewell Test TSA" critical,timeStamping
    umask 077
    openssl rand -hex 16 > password
    quiet openssl pkcs12 -export -inkey sign.key -in sign.pem -certfile ca.pem -out sign.p12 -passout file:password
    printf '[ tsa ]\ndefault_tsa = test\n[ test ]\nserial = %s/tsa.serial\nsigner_digest = sha256\n' "$PWD" > tsa.cnf
    printf 'default_policy = 1.3.6.1.4.1.4146.2.3\ndigests = sha256\naccuracy = secs:1\ness_cert_id_alg = sha256\n' >> tsa.cnf
    echo 01 > tsa.serial
  ) || return 1
  export TIDEWELL_SIGN_PKCS12=$dir/sign.p12 TIDEWELL_SIGN_CAFILE=$dir/ca.pem
  TIDEWELL_SIGN_PASSWORD=$(cat "$dir/password")
  export TIDEWELL_SIGN_PASSWORD
}
