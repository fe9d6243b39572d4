#!/usr/bin/env python3
"""Fault proxy before the test WebDAV server. A path starts with a plan, /f/<id>,<fault>,<k>/, stripped
before forwarding; from the k-th request of a plan id on: cutreq (the connection cut halfway through the
body), cutresp (carried out, answer lost), s503, s429, blocked (a 401 for too many requests; four in a
row, so retries run out), cap (listings cut to 750 entries), delay (answers k ms late).
Usage: fault_proxy.py <server port> <cert> <key> <ports file>."""
import http.client, http.server, os, re, socket, socketserver, ssl, sys, threading, time, urllib.parse

server_port = int(sys.argv[1])
counts, lock = {}, threading.Lock()
BLOCKED = (b'<?xml version="1.0"?><d:error xmlns:d="DAV:" xmlns:s="http://sabredav.org/ns">'
           b'<s:exception>Sabre\\DAV\\Exception\\NotAuthenticated</s:exception>'
           b'<s:message>BlockedTemporarily</s:message></d:error>')

class Proxy(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True

    def log_message(self, *args): pass

    def reply(self, status, body=b"", headers=()):
        self.send_response(status)
        for key, value in headers:
            self.send_header(key, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        # Acknowledged at once: the client's body waits for it (Nagle), which costs 40 ms a request.
        self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_QUICKACK, 1)
        match = re.match(r"/f/([^/]+)(/.*)", self.path)
        length = int(self.headers.get("Content-Length") or 0)
        parts = urllib.parse.unquote(match.group(1)).split(",") if match else []
        if len(parts) != 3 or not parts[2].isdigit():
            return self.reply(400, self.rfile.read(length) and b"")
        plan, fault, k, rest = parts[0], parts[1], int(parts[2]), match.group(2)
        with lock:
            counts[plan] = n = counts.get(plan, 0) + 1
        if fault == "cutreq" and n == k:
            self.rfile.read(length // 2)
            self.close_connection = True
            return
        body = self.rfile.read(length)
        statuses = {"s503": 503, "s429": 429, "blocked": 401}
        if fault in statuses and k <= n < k + 4:
            return self.reply(statuses[fault], BLOCKED if fault == "blocked" else b"", [("Retry-After", "0")])
        headers = {key: value for key, value in self.headers.items() if key.lower() not in ("host", "connection")}
        if "Destination" in headers:
            headers["Destination"] = re.sub(r"^https?://[^/]+/f/[^/]+", "http://127.0.0.1:%d" % server_port,
                                            headers["Destination"])
        upstream = http.client.HTTPConnection("127.0.0.1", server_port, timeout=30)
        upstream.request(self.command, rest, body, headers)
        answer = upstream.getresponse()
        data = answer.read()
        upstream.close()
        if fault == "cutresp" and n == k:
            self.close_connection = True
            return
        if fault == "cap" and self.command == "PROPFIND":
            parts = re.split(rb"(?=<D:response>)", data)
            if len(parts) > 751:
                data = b"".join(parts[:751]) + b"</D:multistatus>\n"
        if fault == "delay":
            time.sleep(k / 1000)
        kept = [(key, value) for key, value in answer.getheaders()
                if key.lower() not in ("content-length", "transfer-encoding", "connection")]
        self.reply(answer.status, data, kept)

    do_GET = do_PUT = do_MOVE = do_MKCOL = do_DELETE = do_PROPFIND = handle_any

class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True

plain = Server(("127.0.0.1", 0), Proxy)
tls = Server(("127.0.0.1", 0), Proxy)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[2], sys.argv[3])
tls.socket = context.wrap_socket(tls.socket, server_side=True)
threading.Thread(target=tls.serve_forever, daemon=True).start()
with open(sys.argv[4] + ".part", "w") as f:
    f.write("%d %d\n" % (plain.server_address[1], tls.server_address[1]))
os.replace(sys.argv[4] + ".part", sys.argv[4])
plain.serve_forever()
