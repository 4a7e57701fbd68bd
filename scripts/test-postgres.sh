#!/usr/bin/env bash
# The lesson's results on a real PostgreSQL server: a cluster made for the run in a temporary
# folder (initdb, pg_ctl; Debian's PostgreSQL 15), run by an unprivileged user (initdb refuses
# root), reachable on a unix socket in that folder alone (no TCP address at all), its password
# checked (scram-sha-256), and stopped however the run ends. Then
#   1. the store's tests on it (lesson_tests, TEST_EDITOR_POSTGRES naming a database of it);
#   2. the lesson without a window (tests/lesson/serve_postgres.py): thirty pupils' results
#      posted at once to --serve with SQLite and with PostgreSQL, the same rows and scores in
#      both; the lesson killed (SIGKILL) in the middle of a stream of results, every
#      acknowledged result kept once; the server stopped under a lesson and started again;
#      refusals; SIGTERM ending it with status 0;
#   3. thirty pupils in headless Chromium at a lesson on PostgreSQL (tests/browser/lesson-postgres.test.mjs).
# Needs the release build (scripts/build.sh release).
. "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/steps.sh"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build/release"
bin="${POSTGRES_BIN:-/usr/lib/postgresql/15/bin}"
[ -x "$bin/initdb" ] && [ -x "$bin/pg_ctl" ] || stop "PostgreSQL's initdb and pg_ctl are missing in $bin: bash scripts/setup.sh installs them"
[ -x "$build/src/app/test_editor" ] && [ -x "$build/tests/lesson_tests" ] ||
  stop "the program or lesson_tests is missing: build them first with \"bash scripts/build.sh release\""

# The cluster's user: this one, or when this is root (as in CI) the system's postgres user, else nobody.
as=()
if [ "$(id -u)" -eq 0 ]; then
  owner=postgres
  id -u "$owner" >/dev/null 2>&1 || owner=nobody
  as=(runuser -u "$owner" --)
fi

work="$(mktemp -d /tmp/lesson-postgres.XXXXXX)"
cluster="$work/cluster"
socket="$work/socket"
mkdir -p "$socket"
[ ${#as[@]} -eq 0 ] || chown -R "$owner" "$work"
chmod 755 "$work"
password="pw-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"
printf '%s\n' "$password" >"$work/password"
[ ${#as[@]} -eq 0 ] || chown "$owner" "$work/password"
port=5432  # names the socket's file only: nothing listens on TCP
pg_ctl=("${as[@]}" "$bin/pg_ctl" -D "$cluster" -l "$work/server.log" -w -t 60
        -o "-c listen_addresses='' -k $socket -p $port -c fsync=on -c synchronous_commit=on")

finish() {
  status=$?
  if [ -f "$cluster/postmaster.pid" ]; then
    "${pg_ctl[@]}" stop -m immediate >/dev/null 2>&1 || true
  fi
  [ "$status" -eq 0 ] || { echo "== the server's log:"; tail -n 40 "$work/server.log" 2>/dev/null; }
  rm -rf "$work"
}
trap finish EXIT

"${as[@]}" "$bin/initdb" -D "$cluster" -U editor --pwfile="$work/password" --auth=scram-sha-256 \
  -E UTF8 --locale=C.UTF-8 >"$work/initdb.log" || { cat "$work/initdb.log"; stop "initdb failed"; }
"${pg_ctl[@]}" start >/dev/null
base="postgresql://editor:$password@/postgres?host=$socket&port=$port"
for db in unit lessons; do
  PGPASSWORD="$password" psql -X -q -v ON_ERROR_STOP=1 "$base" -c "CREATE DATABASE $db" >/dev/null
done
address() { echo "postgresql://editor:$password@/$1?host=$socket&port=$port"; }

echo "== the store on PostgreSQL 15 (lesson_tests)"
TEST_EDITOR_POSTGRES="$(address unit)" "$build/tests/lesson_tests" --gtest_filter='Store.*:PostgresStore.*' \
  --gtest_brief=1

echo "== the lesson without a window on SQLite and on PostgreSQL"
python3 "$here/tests/lesson/serve_postgres.py" "$build/src/app/test_editor" "$here/sample" "$(address lessons)" \
  "${pg_ctl[*]@Q}"

echo "== thirty pupils in headless Chromium at a lesson on PostgreSQL"
if [ -x "${CHROMIUM:-/usr/bin/chromium}" ] && [ -d "$here/tests/browser/node_modules/playwright-core" ]; then
  (cd "$here/tests/browser" && TEST_EDITOR_POSTGRES="$(address lessons)" node --test lesson-postgres.test.mjs)
else
  echo "Chromium or playwright-core is missing (scripts/test-browser.sh installs them): the pupils in Chromium were not run"
fi
