"""A time-stamping server on loopback, standing in for the one a release's signing
asks: it answers both kinds of request that the signing makes, Authenticode's own
(base64 of a request whose content is the signature to stamp; answered with a
PKCS#7 signed by the stamping certificate, with its signing time) and RFC 3161
(answered by "openssl ts -reply").
  tsa_server.py DIR   DIR holds tsa.crt, tsa.key, tsa.cnf and tsaserial; prints the
                      port it listens on, then serves until it is ended.
"""
import base64, http.server, os, subprocess, sys, tempfile

HERE = sys.argv[1]

# The TLV items of a DER encoding, one level deep.
def der_items(data, pos=0, end=None):
    end = len(data) if end is None else end
    while pos < end:
        tag = data[pos]; pos += 1
        length = data[pos]; pos += 1
        if length & 0x80:
            n = length & 0x7F
            length = int.from_bytes(data[pos:pos + n], "big"); pos += n
        yield tag, data[pos:pos + length]
        pos += length

def authenticode_content(request):
    # TimeStampRequest: SEQUENCE { OID, ContentInfo { OID data, [0] { OCTET STRING } } }
    (_, body), = der_items(request)
    items = list(der_items(body))
    _, content_info = items[-1]
    _, explicit = list(der_items(content_info))[-1]
    (_, octets), = der_items(explicit)
    return octets

class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass
    def do_POST(self):
        body = self.rfile.read(int(self.headers["Content-Length"]))
        with tempfile.TemporaryDirectory() as work:
            if self.headers.get("Content-Type", "").startswith("application/timestamp-query"):
                query = os.path.join(work, "q.tsq"); reply = os.path.join(work, "r.tsr")
                open(query, "wb").write(body)
                subprocess.run(["openssl", "ts", "-reply", "-config", os.path.join(HERE, "tsa.cnf"),
                                "-queryfile", query, "-out", reply], check=True, capture_output=True, cwd=HERE)
                answer, kind = open(reply, "rb").read(), "application/timestamp-reply"
            else:
                content = os.path.join(work, "c.bin"); signed = os.path.join(work, "s.der")
                open(content, "wb").write(authenticode_content(base64.b64decode(body)))
                subprocess.run(["openssl", "smime", "-sign", "-binary", "-nodetach", "-nosmimecap",
                                "-md", "sha1", "-signer", os.path.join(HERE, "tsa.crt"),
                                "-inkey", os.path.join(HERE, "tsa.key"), "-in", content,
                                "-outform", "DER", "-out", signed], check=True, capture_output=True)
                answer, kind = base64.b64encode(open(signed, "rb").read()), "application/octet-stream"
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)

server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
