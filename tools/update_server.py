#!/usr/bin/env python3
"""The update server: answers the program's version check and its extra-detection download.

    update_server.py FOLDER [--key PRIVATE_KEY] [--bind ADDRESS] [--port PORT] [--log FILE]
    update_server.py FOLDER --sign PRIVATE_KEY

FOLDER holds two files, read again for every request (edit them while the server runs):

  versions.txt   the newest program and database versions, one line each:
                     Version: 4.6
                     VDB: 6.70
  glaven.txt     the extra MD5 detections, in the format of the signature source lists
                 (signatures/data/README.md): one quoted item per line, followed by "source:" and where it
                 comes from; 32 upper-case hexadecimal digits each. Empty lines and # lines are comments.

GET /app/checkupdates.php answers "Version: <v>" CR LF "VDB: <d>" CR LF; GET /app/glaven/updates.php answers
the digests, each followed by CR LF, and the terminator CR CR LF (only the terminator when the list is
empty). Both are HTTP/1.1 with Content-Length; the connection stays open for the client to close.
Anything else is 404. A folder whose files do not parse is refused at start (exit 2) and answered with
500 while the server runs. One line per request goes to standard output (or FILE).

The program takes the detections only with the maker's signature of the exact body: a header line
"X-Pellworth-Signature: " and 128 hexadecimal digits (ECDSA P-256 over SHA-256 of the body, r then s,
each 32 bytes big-endian; tools/maker_key.py makes the key pair). With --key the server signs every
answer with that private key. --sign writes the signature of the folder's current list to
FOLDER/glaven.sig and exits, so the private key need not be on the server: without --key the server
sends glaven.sig's signature (or no signature line when there is none, and the program adds nothing).
"""

import argparse
import datetime
import http.server
import os
import re
import sys
import threading

import maker_key

VERSION_PATH = "/app/checkupdates.php"
DOWNLOAD_PATH = "/app/glaven/updates.php"
TERMINATOR = b"\r\r\n"
DIGEST = re.compile(r"[0-9A-F]{32}")
VERSION = re.compile(r"[0-9]{1,9}\.[0-9]{1,9}")  # as the program takes them
SIGNATURE_HEADER = "X-Pellworth-Signature"
SIGNATURE = re.compile(r"[0-9a-f]{128}")


class FolderError(Exception):
    """A file of the folder that cannot be served, with the file and line at fault."""


def parse_item(line):
    """The item of one source line ('"item"<blank>source: where'), or raises ValueError with the reason."""
    text = line.lstrip(" \t")
    if not text.startswith('"'):
        raise ValueError("an item line must start with a double quote")
    item, i = [], 1
    while i < len(text):
        c = text[i]
        if c == '"':
            break
        if c == "\\":
            nxt = text[i + 1:i + 2]
            if nxt in ('"', "\\"):
                item.append(nxt)
                i += 2
                continue
            hexpart = text[i + 2:i + 4]
            if nxt == "x" and re.fullmatch(r"[0-9A-Fa-f]{2}", hexpart):
                item.append(chr(int(hexpart, 16)))
                i += 4
                continue
            raise ValueError("unknown escape at column %d" % (i + 1))
        if not " " <= c <= "~":
            raise ValueError("the character at column %d must be written as \\xHH" % (i + 1))
        item.append(c)
        i += 1
    else:
        raise ValueError("the closing double quote is missing")
    rest = text[i + 1:]
    after = rest.lstrip(" \t")
    if not after.startswith("source:"):
        raise ValueError('the item must be followed by "source:" and where it comes from')
    if after == rest:
        raise ValueError('put a blank between the closing quote and "source:"')
    if not after[len("source:"):].strip(" \t"):
        raise ValueError("the source is empty")
    return "".join(item)


def read_lines(folder, name):
    path = os.path.join(folder, name)
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        raise FolderError("%s: %s" % (path, e.strerror))
    try:
        text = data.decode("ascii")
    except UnicodeDecodeError:
        raise FolderError("%s: the file must be plain ASCII" % path)
    return path, text.replace("\r\n", "\n").split("\n")


def version_body(folder):
    path, lines = read_lines(folder, "versions.txt")
    found = {}
    for number, line in enumerate(lines, 1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        key, sep, value = line.partition(": ")
        if not sep or key not in ("Version", "VDB") or key in found or not VERSION.fullmatch(value):
            raise FolderError('%s:%d: expected "Version: <version>" and "VDB: <version>" once each' % (path, number))
        found[key] = value
    if len(found) != 2:
        raise FolderError('%s: both "Version: " and "VDB: " lines are needed' % path)
    return ("Version: %s\r\nVDB: %s\r\n" % (found["Version"], found["VDB"])).encode("ascii")


def download_body(folder):
    path, lines = read_lines(folder, "glaven.txt")
    digests, seen = [], set()
    for number, line in enumerate(lines, 1):
        if not line.strip(" \t") or line.startswith("#"):
            continue
        try:
            item = parse_item(line)
        except ValueError as e:
            raise FolderError("%s:%d: %s" % (path, number, e))
        if not DIGEST.fullmatch(item):
            raise FolderError("%s:%d: %r refused: not 32 upper-case hexadecimal digits" % (path, number, item))
        if item in seen:
            raise FolderError("%s:%d: %s is listed twice" % (path, number, item))
        seen.add(item)
        digests.append(item)
    return "".join(d + "\r\n" for d in digests).encode("ascii") + TERMINATOR


def stored_signature(folder):
    """The signature of glaven.sig (128 hexadecimal digits), or None when the folder has none."""
    path = os.path.join(folder, "glaven.sig")
    try:
        with open(path, "rb") as f:
            text = f.read(1024).decode("ascii", "replace").strip().lower()
    except FileNotFoundError:
        return None
    except OSError as e:
        raise FolderError("%s: %s" % (path, e.strerror))
    if not SIGNATURE.fullmatch(text):
        raise FolderError("%s: expected 128 hexadecimal digits" % path)
    return text


def body_signature(server, body):
    if server.key is not None:
        return maker_key.sign(server.key, body).hex()
    return stored_signature(server.folder)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def version_string(self):
        return "PellworthUpdate/1.0"

    def do_GET(self):
        status, body, signature = 404, b"not found\r\n", None
        try:
            if self.path == VERSION_PATH:
                status, body = 200, version_body(self.server.folder)
            elif self.path == DOWNLOAD_PATH:
                body = download_body(self.server.folder)
                status, signature = 200, body_signature(self.server, body)
        except FolderError as e:
            status, body, signature = 500, b"the update folder is broken\r\n", None
            self.server.log("error: %s" % e)
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        if signature is not None:
            self.send_header(SIGNATURE_HEADER, signature)
        self.end_headers()
        self.wfile.write(body)
        self.server.log('%s "%s" %d %d host=%s' % (self.client_address[0], self.requestline, status, len(body),
                                                   self.headers.get("Host", "-")))

    def log_message(self, fmt, *args):  # the one line per request is written by do_GET
        pass

    def log_error(self, fmt, *args):
        self.server.log("%s %s" % (self.client_address[0], fmt % args))


class UpdateServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, address, folder, key, log):
        super().__init__(address, Handler)
        self.folder = folder
        self.key = key
        self._log = log
        self._lock = threading.Lock()

    def log(self, line):
        stamp = datetime.datetime.now().strftime("%Y-%m-%d %H:%M:%S")
        with self._lock:
            self._log.write("%s %s\n" % (stamp, line))
            self._log.flush()


def main(argv):
    parser = argparse.ArgumentParser(description="Pellworth Remover update server")
    parser.add_argument("folder")
    parser.add_argument("--key", help="sign every detection list with this private key (PEM)")
    parser.add_argument("--sign", metavar="PRIVATE_KEY",
                        help="write the signature of the folder's list to FOLDER/glaven.sig and exit")
    parser.add_argument("--bind", default="0.0.0.0")
    parser.add_argument("--port", type=int, default=80)
    parser.add_argument("--log", help="append the request lines to this file instead of standard output")
    args = parser.parse_args(argv)
    try:
        version_body(args.folder)
        body = download_body(args.folder)
        key = maker_key.load_private(args.key or args.sign) if (args.key or args.sign) else None
        if args.sign:
            with open(os.path.join(args.folder, "glaven.sig"), "w", encoding="ascii") as f:
                f.write(maker_key.sign(key, body).hex() + "\n")
            return 0
        signed = "signed with %s" % args.key if key else (
            "glaven.sig" if stored_signature(args.folder) else "UNSIGNED: the program will add nothing")
    except (FolderError, maker_key.MakerKeyError, OSError) as e:
        print("update_server: %s" % e, file=sys.stderr)
        return 2
    count = body.count(b"\r\n") - 1
    log = open(args.log, "a", encoding="utf-8") if args.log else sys.stdout
    server = UpdateServer((args.bind, args.port), args.folder, key, log)
    server.log("serving %s on %s:%d (%d extra detections, %s)" % (args.folder, args.bind, server.server_port, count,
                                                                  signed))
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
