#!/usr/bin/env bash
# Usage: installed_batch.sh BUILD_DIR [CMAKE]
# Installs the build into a temporary prefix, then runs the installed
# quillmark-batch from another folder, as a user who has never run Quillmark
# (a fresh HOME), over one page served on 127.0.0.1. The run must fill that
# user's data folder from share/quillmark and write the page's row there.
set -euo pipefail
build=$(cd "$1" && pwd)
cmake=${2:-cmake}
tmp=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$tmp/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$tmp/install.log" || { cat "$tmp/install.log" >&2; fail "install"; }
for f in bin/quillmark bin/quillmark-batch bin/quillmark-render share/quillmark/links.ini share/quillmark/images/back.bmp \
         share/applications/org.quillmark.Quillmark.desktop share/metainfo/org.quillmark.Quillmark.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.quillmark.Quillmark.svg \
         share/icons/hicolor/48x48/apps/org.quillmark.Quillmark.png \
         share/man/man1/quillmark.1.gz share/man/man1/quillmark-batch.1.gz share/man/man1/quillmark-render.1.gz; do
  [ -f "$prefix/$f" ] || fail "the install lacks $f"
done

mkdir -p "$tmp/www" "$tmp/home" "$tmp/work"
cat >"$tmp/www/page.html" <<'HTML'
<html><head><title>Installed copy test page</title>
<meta name="description" content="A page served for the installed copy."></head>
<body><p>Write to <a href="mailto:editor@example.com">editor@example.com</a>.</p></body></html>
HTML
# Port 0: the system picks a free port, which the server prints first.
python3 -u -c '
import functools, http.server, sys
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
print(server.server_address[1])
server.serve_forever()' "$tmp/www" >"$tmp/port" 2>"$tmp/server.log" &
server=$!
for _ in $(seq 50); do [ -s "$tmp/port" ] && break; sleep 0.1; done
port=$(head -n1 "$tmp/port")
[ -n "$port" ] || fail "the test server did not start"
echo "http://127.0.0.1:$port/page.html" >"$tmp/work/links.txt"

data=$tmp/home/.local/share/Quillmark
(cd "$tmp/work" && env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME HOME="$tmp/home" \
   timeout 60 "$prefix/bin/quillmark-batch" links.txt) >"$tmp/run.log" 2>&1 \
  || { cat "$tmp/run.log" >&2; fail "the installed quillmark-batch failed"; }

[ -f "$data/links.ini" ] || { cat "$tmp/run.log" >&2; fail "no links.ini in the user's data folder $data"; }
cmp -s "$data/links.ini" "$prefix/share/quillmark/links.ini" || fail "links.ini was not copied from share/quillmark"
[ ! -e "$prefix/bin/links.ini" ] && [ ! -e "$prefix/bin/database.txt" ] || fail "the run wrote into the bin folder"
grep -q 'Installed copy test page' "$data/database.txt" 2>/dev/null \
  || { cat "$tmp/run.log" >&2; fail "no row for the page in $data/database.txt"; }
grep -q "http://127.0.0.1:$port/page.html" "$data/database.txt" || fail "the row lacks the page's URL"
echo "installed quillmark-batch wrote: $(cat "$data/database.txt")"

# The installed renderer finds its engine and renders the same page.
echo "{\"id\":7,\"url\":\"http://127.0.0.1:$port/page.html\",\"timeoutMs\":20000}" \
  | (cd "$tmp/work" && env -u QT_QPA_PLATFORM HOME="$tmp/home" timeout 60 "$prefix/bin/quillmark-render") \
  >"$tmp/render.out" 2>"$tmp/render.log" || { cat "$tmp/render.log" >&2; fail "the installed quillmark-render failed"; }
grep -q '"id":7' "$tmp/render.out" && grep -q '"end":"settled"' "$tmp/render.out" \
  && grep -q 'Installed copy test page' "$tmp/render.out" \
  || { cat "$tmp/render.out" "$tmp/render.log" >&2; fail "the installed quillmark-render did not render the page"; }
[ "$(wc -l <"$tmp/render.out")" -eq 1 ] || fail "quillmark-render wrote more than its answer on standard output"
echo "installed quillmark-render settled the page"
