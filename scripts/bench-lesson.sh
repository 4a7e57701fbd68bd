#!/usr/bin/env bash
# The lesson under load on this computer's loopback, as test_editor --serve runs it on a copy of
# the model test, against nginx serving the same folder (Debian's nginx, started here on a
# configuration of its own on a loopback port and stopped at the end; never the system's nginx
# service): thirty pupils loading every file of the test (wrk, thirty connections, every file a
# browser fetches in turn), the requests a second of each and their ratio; then 300 results posted
# at once (bench/LessonBench.cpp): their times, and the results lost (taken but not in the
# database); the lesson's peak memory (VmHWM); then 1,000 slow connections and 10,000 malformed
# requests at once, and the lesson still answering a GET and a result afterwards.
# Installs nginx and wrk when missing (nginx's service is kept from starting by policy-rc.d).
#
#   scripts/bench-lesson.sh BUILD     (the benchmark's build folder, build/bench)
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath "${1:-$here/build/bench}")"
program="$out/src/app/test_editor"
client="$out/bench/lesson_bench"
seconds="${LESSON_BENCH_SECONDS:-10}"

need=()
[ -x /usr/sbin/nginx ] || need+=(nginx)
command -v wrk >/dev/null 2>&1 || need+=(wrk)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  policy=/usr/sbin/policy-rc.d
  made=""
  if [ ! -e "$policy" ]; then
    # No service starts while this runs: nginx's own would take port 80.
    printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
    $sudo chmod 755 "$policy"
    made=1
  fi
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends "${need[@]}"
  [ -z "$made" ] || $sudo rm -f "$policy"
fi

scratch="$(mktemp -d "$out/lesson-load.XXXXXX")"
lesson_pid=""
nginx_pid=""
finish() {
  [ -z "$lesson_pid" ] || kill -TERM "$lesson_pid" 2>/dev/null || true
  [ -z "$nginx_pid" ] || kill -QUIT "$nginx_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT
cp -r "$here/sample" "$scratch/test"
(cd "$scratch/test" && ls index.html title.html index1.html 1.js [0-9]/[0-9].html pics/*.gif) | sed 's|^|/|' \
  >"$scratch/files.txt"
cat >"$scratch/files.lua" <<'EOF'
-- Each thread's connections ask for the test's files in turn, from a place of their own.
local paths, at = {}, 0
function init(args)
  for line in io.lines(args[1]) do paths[#paths + 1] = line end
  at = math.random(#paths)
end
function request()
  at = at % #paths + 1
  return wrk.format("GET", paths[at])
end
EOF

"$program" --serve "$scratch/test" --data "$scratch/data" --results-per-minute 1000000 --max-results 1000000 \
  >"$scratch/lesson.log" 2>&1 &
lesson_pid=$!
for _ in $(seq 200); do
  grep -q '^Урок идёт' "$scratch/lesson.log" && break
  kill -0 "$lesson_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q '^Урок идёт' "$scratch/lesson.log" || stop "the lesson did not start: $(cat "$scratch/lesson.log")"
port="$(sed -n 's|^Адрес для учеников: http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$scratch/lesson.log")"

nginx_port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
mkdir -p "$scratch/nginx"
# Started by root, nginx's workers would be another user, who may not read this folder.
user=""
[ "$(id -u)" -ne 0 ] || user="user $(id -un) $(id -gn);"
cat >"$scratch/nginx/nginx.conf" <<EOF
$user
worker_processes auto;
pid $scratch/nginx/nginx.pid;
error_log $scratch/nginx/error.log;
events { worker_connections 4096; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_requests 1000000;
  client_body_temp_path $scratch/nginx/body;
  proxy_temp_path $scratch/nginx/proxy;
  fastcgi_temp_path $scratch/nginx/fastcgi;
  uwsgi_temp_path $scratch/nginx/uwsgi;
  scgi_temp_path $scratch/nginx/scgi;
  types { text/html html; text/javascript js; image/gif gif; }
  server {
    listen 127.0.0.1:$nginx_port;
    root $scratch/test;
    add_header Cache-Control no-store;
  }
}
EOF
/usr/sbin/nginx -p "$scratch/nginx" -c "$scratch/nginx/nginx.conf" -e "$scratch/nginx/error.log" -g 'daemon off;' &
nginx_pid=$!
for _ in $(seq 100); do
  curl -s -o /dev/null "http://127.0.0.1:$nginx_port/1.js" && break
  sleep 0.1
done

load() {  # load NAME PORT: prints the line and leaves the requests a second in $rate
  local report
  report="$(wrk -t2 -c30 -d"${seconds}s" --latency -s "$scratch/files.lua" "http://127.0.0.1:$2" -- "$scratch/files.txt")"
  rate="$(awk '/^Requests\/sec:/ {print $2}' <<<"$report")"
  local p50 p99 bad
  p50="$(awk '$1 == "50%" {print $2}' <<<"$report")"
  p99="$(awk '$1 == "99%" {print $2}' <<<"$report")"
  bad="$(awk '/Non-2xx or 3xx responses:/ {print $NF}' <<<"$report")"
  printf '%-34s %9.0f requests a second; each p50 %s, p99 %s; %s failed, %s\n' "$1" "$rate" "$p50" "$p99" \
    "${bad:-0}" "$(awk '/Transfer\/sec:/ {print $2 " a second"}' <<<"$report")"
}
echo "thirty pupils loading the model test's $(wc -l <"$scratch/files.txt") files in turn, ${seconds} s each, wrk -t2 -c30:"
load "the lesson (test_editor --serve)" "$port"
lesson_rate="$rate"
load "nginx ($(nproc) workers)" "$nginx_port"
nginx_rate="$rate"
echo "the lesson's files against nginx's: $(python3 -c "print(f'{$lesson_rate / $nginx_rate:.2f}x')")"
kill -QUIT "$nginx_pid"
wait "$nginx_pid" || true
nginx_pid=""

rows() {
  python3 -c 'import sqlite3, sys; print(sqlite3.connect(sys.argv[1]).execute("SELECT count(*) FROM results").fetchone()[0])' \
    "$scratch/data/results.sqlite"
}
hwm() { awk '/^VmHWM/ {print $2 " " $3}' "/proc/$lesson_pid/status"; }
"$client" results "$port" 300 | tee "$scratch/results.txt" || true
taken="$(sed -n 's/^results: 300 posted at once, \([0-9]*\) taken.*/\1/p' "$scratch/results.txt")"
kept="$(rows)"
echo "results lost (answered «Результат принят», not in the database): $((taken - kept)); in the database: $kept of 300 posted"
echo "the lesson's peak memory (VmHWM): $(hwm)"

"$client" slow "$port" 1000 15
"$client" malformed "$port" 10000
"$client" check "$port"
echo "the lesson's peak memory after them (VmHWM): $(hwm)"
kill -TERM "$lesson_pid"
wait "$lesson_pid"
lesson_pid=""
tail -1 "$scratch/lesson.log"
