#!/usr/bin/env bash
# A real WebDAV server for the tests, without a system service: lighttpd and its WebDAV module from
# Debian's packages, unpacked into <dir>, on a free loopback port with one test user; before it the
# fault proxy (plain and TLS). "start <dir>" leaves "<lighttpd port> <proxy port> <TLS port>" in
# <dir>/ports; "stop <dir>" ends both.
set -euo pipefail
dir=$(mkdir -p "$2" && cd "$2" && pwd) proxy=$(cd "$(dirname "$0")" && pwd)/fault_proxy.py
stop() { for f in "$dir"/*.pid; do [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null; rm -f "$f"; done; return 0; }
[ "$1" = stop ] && { stop; exit 0; }
stop
if [ ! -x "$dir/root/usr/sbin/lighttpd" ]; then
  mkdir -p "$dir/debs" && cd "$dir/debs"
  apt-get download lighttpd lighttpd-mod-webdav >/dev/null 2>&1 ||
    { apt-get update -qq && apt-get download lighttpd lighttpd-mod-webdav >/dev/null; }
  for deb in *.deb; do dpkg -x "$deb" "$dir/root"; done
  cd "$dir"
fi
[ -f "$dir/cert.pem" ] || openssl req -x509 -newkey rsa:2048 -nodes -keyout "$dir/key.pem" -out "$dir/cert.pem" \
  -days 3650 -subj /CN=127.0.0.1 >/dev/null 2>&1
rm -rf "$dir/docs" "$dir/uploads" && mkdir -p "$dir/docs" "$dir/uploads"
printf 'tester:geheim\n' >"$dir/users"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$dir/lighttpd.conf" <<CONF
server.document-root = "$dir/docs"
server.upload-dirs = ("$dir/uploads")
server.bind = "127.0.0.1"
server.port = $port
server.errorlog = "$dir/lighttpd.log"
server.modules = ("mod_auth", "mod_authn_file", "mod_webdav")
webdav.activate = "enable"
webdav.is-readonly = "disable"
auth.backend = "plain"
auth.backend.plain.userfile = "$dir/users"
auth.require = ("/" => ("method" => "basic", "realm" => "varnoke", "require" => "valid-user"))
CONF
setsid "$dir/root/usr/sbin/lighttpd" -D -f "$dir/lighttpd.conf" -m "$dir/root/usr/lib/lighttpd" </dev/null >/dev/null 2>&1 &
echo $! >"$dir/lighttpd.pid"
rm -f "$dir/proxy.ports"
setsid python3 "$proxy" "$port" "$dir/cert.pem" "$dir/key.pem" "$dir/proxy.ports" </dev/null \
  >"$dir/proxy.log" 2>&1 &
echo $! >"$dir/proxy.pid"
for _ in $(seq 100); do
  if [ -s "$dir/proxy.ports" ] && (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    echo "$port $(cat "$dir/proxy.ports")" >"$dir/ports"
    echo "webdav server on 127.0.0.1:$port, fault proxy on $(cat "$dir/proxy.ports")"
    exit 0
  fi
  sleep 0.1
done
echo "webdav server did not start"; cat "$dir/lighttpd.log" "$dir/proxy.log" 2>/dev/null; stop; exit 1
