#!/usr/bin/env python3
"""Makes the setup programs the updater must refuse, from the build's signed setup, for
the end-to-end tests (tests/e2e/CMakeLists.txt runs it):

    altered-section.exe         one byte changed inside a section
    altered-appended-data.exe   one byte changed in the installer's data after the sections
    unsigned.exe                the signature taken off
    other-signer.exe            signed with a second key whose certificate has the same
                                subject name as the build's
    cut-short.exe               the signed setup cut off three quarters of the way

The second key is made once in the output folder; no key is ever committed.

    make_refused_setups.py --setup LockbaySetup.exe --certificate cert.pem
                           --openssl openssl --osslsigncode osslsigncode --output-dir DIR
"""

import argparse
import os
import struct
import subprocess


def sections_and_certificates(data):
    """(start and end of the first section's data, end of the last section's data, start of
    the certificate table) of a PE32+ file."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, pe + 6)[0]
    optional_size = struct.unpack_from("<H", data, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from("<H", data, optional)[0] != 0x20B:
        raise SystemExit("the setup is not a 64-bit program")
    certificates = struct.unpack_from("<I", data, optional + 144)[0]
    table = optional + optional_size
    first, end = None, 0
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, table + 40 * i + 16)
        if size and first is None:
            first = (offset, offset + size)
        end = max(end, offset + size)
    if first is None or not certificates or certificates <= end:
        raise SystemExit("the setup has no sections, no signature, or nothing after its sections")
    return first, end, certificates


def flipped(data, offset):
    changed = bytearray(data)
    changed[offset] ^= 0x01
    return bytes(changed)


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def second_signer(openssl, certificate, folder):
    """A key and a self-made certificate with the subject of `certificate`."""
    key = os.path.join(folder, "other-signer-key.pem")
    cert = os.path.join(folder, "other-signer-certificate.pem")
    if not os.path.exists(key):
        run(openssl, "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:3072", "-out", key)
    request = os.path.join(folder, "other-signer.csr")
    run(openssl, "x509", "-x509toreq", "-in", certificate, "-signkey", key, "-out", request)
    run(openssl, "x509", "-req", "-in", request, "-signkey", key, "-days", "3650", "-copy_extensions", "copy",
        "-out", cert)
    subjects = [subprocess.run([openssl, "x509", "-noout", "-subject", "-in", c], check=True,
                               capture_output=True, text=True).stdout for c in (certificate, cert)]
    if subjects[0] != subjects[1]:
        raise SystemExit(f"the second certificate's subject differs: {subjects}")
    return key, cert


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--setup", required=True)
    parser.add_argument("--certificate", required=True, help="the build's signing certificate (PEM)")
    parser.add_argument("--openssl", default="openssl")
    parser.add_argument("--osslsigncode", default="osslsigncode")
    parser.add_argument("--output-dir", required=True)
    args = parser.parse_args()
    os.makedirs(args.output_dir, exist_ok=True)

    def out(name):
        return os.path.join(args.output_dir, name)

    with open(args.setup, "rb") as f:
        setup = f.read()
    (first_start, first_end), sections_end, certificates = sections_and_certificates(setup)
    copies = {
        "altered-section.exe": flipped(setup, (first_start + first_end) // 2),
        "altered-appended-data.exe": flipped(setup, (sections_end + certificates) // 2),
        "cut-short.exe": setup[: len(setup) * 3 // 4],
    }
    for name, data in copies.items():
        with open(out(name), "wb") as f:
            f.write(data)

    unsigned = out("unsigned.exe")
    if os.path.exists(unsigned):
        os.remove(unsigned)
    run(args.osslsigncode, "remove-signature", "-in", args.setup, "-out", unsigned)
    key, cert = second_signer(args.openssl, args.certificate, args.output_dir)
    other = out("other-signer.exe")
    if os.path.exists(other):
        os.remove(other)
    run(args.osslsigncode, "sign", "-certs", cert, "-key", key, "-h", "sha256", "-n", "Lockbay Setup",
        "-in", unsigned, "-out", other)


if __name__ == "__main__":
    main()
