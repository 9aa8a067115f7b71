#!/usr/bin/env python3
"""The maker's signing key for the extra-detection list: making a key pair, and signing with it.

    maker_key.py new PRIVATE_KEY PUBLIC_KEY     make a key pair (ECDSA P-256)
    maker_key.py sign PRIVATE_KEY FILE          print the signature of FILE's exact bytes

PRIVATE_KEY is written as unencrypted PKCS#8 PEM, readable by its owner only; keep it off the repository
and off the update server where you can (update_server.py --sign writes a folder's signature once).
PUBLIC_KEY is the text file the build embeds into the programs (resources/maker_key.txt): a comment line
and the key as 128 hexadecimal digits, X then Y, each 32 bytes big-endian. Neither file is overwritten.

A signature is ECDSA P-256 over SHA-256 of the exact bytes: r then s, each 32 bytes big-endian, written as
128 lower-case hexadecimal digits. Needs Debian's python3-cryptography.
"""

import os
import sys

from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.hazmat.primitives.asymmetric.utils import decode_dss_signature


class MakerKeyError(Exception):
    """A key file that cannot be used, with the reason."""


def _write_new(path, data, mode):
    # O_EXCL: an existing key is never replaced by accident (a lost private key cannot be made again).
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, mode)
    with os.fdopen(fd, "wb") as f:
        f.write(data)


def public_hex(public_key):
    numbers = public_key.public_numbers()
    return (numbers.x.to_bytes(32, "big") + numbers.y.to_bytes(32, "big")).hex()


def new_key_pair(private_path, public_path):
    key = ec.generate_private_key(ec.SECP256R1())
    pem = key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                            serialization.NoEncryption())
    text = ("# The maker's public key for signed extra-detection lists (ECDSA P-256, X then Y).\n%s\n"
            % public_hex(key.public_key()))
    _write_new(private_path, pem, 0o600)
    _write_new(public_path, text.encode("ascii"), 0o644)
    return key


def load_private(path):
    try:
        with open(path, "rb") as f:
            key = serialization.load_pem_private_key(f.read(), password=None)
    except (OSError, ValueError, TypeError) as e:
        raise MakerKeyError("%s: not a readable unencrypted PEM private key (%s)" % (path, e))
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        raise MakerKeyError("%s: not an ECDSA P-256 key" % path)
    return key


def sign(key, data):
    """The 64-byte signature (r then s) of `data`."""
    r, s = decode_dss_signature(key.sign(data, ec.ECDSA(hashes.SHA256())))
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def main(argv):
    if len(argv) == 3 and argv[0] == "new":
        key = new_key_pair(argv[1], argv[2])
        print("private key: %s\npublic key:  %s\n%s" % (argv[1], argv[2], public_hex(key.public_key())))
        return 0
    if len(argv) == 3 and argv[0] == "sign":
        with open(argv[2], "rb") as f:
            print(sign(load_private(argv[1]), f.read()).hex())
        return 0
    print(__doc__.split("\n\n")[1], file=sys.stderr)
    return 64


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (MakerKeyError, OSError) as e:
        print("maker_key: %s" % e, file=sys.stderr)
        sys.exit(2)
