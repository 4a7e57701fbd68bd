#!/usr/bin/env python3
"""The lesson without a window killed at every write and every sync of its database.

    serve_faults.py PROGRAM MODEL_TEST TABLE_FILE [LAUNCHER]

First the program as a service runs it: started (through LAUNCHER too, the Linux download's
launcher in a folder laid out as the download's), it serves the test's files and takes a result,
and SIGINT, SIGTERM or SIGHUP stop it with status 0 and its last line; a port taken, a folder that
is no test and a database that is no database end it with status 1 and the reason in Russian.

`PROGRAM --serve` runs on a copy of the model test with its database in a folder of each run.
strace counts the calls of one kind made on the database's files alone (-P: results.sqlite, its
-wal and -shm, and its folder) and kills the program (SIGKILL) at the N-th, for N = 1, 2, ...
until a run ends without a kill. strace counts each thread apart, so each part of the lesson is
swept on the thread that does it:

- the start and the stop with no result (the schema and the lesson's record, written by the
  main thread): the program started under strace;
- the results (the thread that commits them): strace attached to every thread once the lesson
  runs, then results posted one after another, each recorded when its reply «Результат принят»
  came;
- the stop after the results (the last checkpoint, the main thread): strace attached to the main
  thread alone, then SIGTERM.

After each run the program starts again on the same folder, without strace, takes one more
result and stops; then Python's sqlite3 finds the database whole (PRAGMA integrity_check is ok),
every result whose reply was sent in it and no result twice.

Then the order a power cut relies on, which a kill cannot show (what was written before the kill
is in the system's cache and is read back whether it was synced or not): strace records the
result's writes, the syncs of the write-ahead log and the replies sent, and no reply of a result
leaves before the log's sync that follows its last write.

Prints the table; TABLE_FILE gets it too. Exit status 1 on any fault found.
"""

import http.client
import os
import queue
import re
import selectors
import shutil
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

PROGRAM, MODEL, TABLE = sys.argv[1], sys.argv[2], sys.argv[3]
LAUNCHER = sys.argv[4] if len(sys.argv) > 4 else None
RESULTS = 8          # results posted in each run of the results' part
MOST_RUNS = 300      # a sweep that never completes is a fault
KINDS = {'write': ['write', 'pwrite64'], 'sync': ['fsync', 'fdatasync']}

work = tempfile.mkdtemp(prefix='lesson-faults-')
test = os.path.join(work, 'тест')
shutil.copytree(MODEL, test)
faults = []


class Lesson:
    """`PROGRAM --serve` on the test copy and a data folder, its stdout read on a thread."""

    def __init__(self, data, trace=None, program=None, more=()):
        command = [program or PROGRAM, '--serve', test, '--data', data, *more]
        self.process = subprocess.Popen((trace or []) + command, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, encoding='utf-8')
        self.lines = queue.Queue()
        self.output = []
        threading.Thread(target=self._read, daemon=True).start()
        self.port = None

    def _read(self):
        for line in self.process.stdout:
            self.output.append(line.rstrip('\n'))
            self.lines.put(line.rstrip('\n'))
        self.lines.put(None)

    def running(self, seconds=20):
        """Waits for the line that says the lesson runs; False when the program ended first."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=max(0.01, deadline - time.monotonic()))
            except queue.Empty:
                break
            if line is None:
                return False
            found = re.match(r'Адрес для учеников: http://127\.0\.0\.1:(\d+)/$', line)
            if found:
                self.port = int(found.group(1))
            if line.startswith('Урок идёт'):
                return self.port is not None
        return False

    def pid(self):
        """The program's process: the child of strace when strace started it."""
        if os.path.basename(self.process.args[0]) != 'strace':
            return self.process.pid
        for _ in range(500):
            path = f'/proc/{self.process.pid}/task/{self.process.pid}/children'
            children = open(path).read().split() if os.path.exists(path) else []
            if children:
                return int(children[0])
            time.sleep(0.01)
        raise RuntimeError('strace started no program')

    def post(self, student):
        """Posts a result as the quiz's last page does; True when its reply says it was taken."""
        fields = {'course': 'x', 'student': student, 'group': '9А', 'stages': '6', 'questions': '60',
                  'right': '0', 'percent': '0', 'answers': ','.join(['1'] * 60), 'finished': 'complete'}
        body = urllib.parse.urlencode(fields, encoding='cp1251')
        try:
            c = http.client.HTTPConnection('127.0.0.1', self.port, timeout=10)
            c.request('POST', '/results', body, {'Content-Type': 'application/x-www-form-urlencoded'})
            reply = c.getresponse()
            text = reply.read().decode('utf-8', 'replace')
            c.close()
            return reply.status == 200 and 'Результат принят' in text
        except (OSError, http.client.HTTPException):
            return False

    def stop(self, seconds=30):
        """SIGTERM unless it is gone; the status of the program (or of strace around it)."""
        if self.process.poll() is None:
            try:
                os.kill(self.pid(), signal.SIGTERM)
            except (ProcessLookupError, RuntimeError):
                pass
        try:
            return self.process.wait(seconds)
        except subprocess.TimeoutExpired:
            self.process.kill()
            faults.append(f'{PROGRAM} --serve did not stop within {seconds} s of SIGTERM')
            return self.process.wait()


def db_files(data):
    db = os.path.join(data, 'results.sqlite')
    return [db, db + '-wal', db + '-shm', data]


def traced(calls, data, when, extra, quiet='-qq'):
    """strace's options: the calls counted on the database's files, the kill at the when-th."""
    named = ','.join(calls)
    command = ['strace'] + ([quiet] if quiet else []) + ['-o', os.path.join(os.path.dirname(data), 'trace'),
               '-e', f'trace={named}', '-e', f'inject={named}:signal=KILL:when={when}']
    for path in db_files(data):
        command += ['-P', path]
    return command + extra


def wait_attached(tracer, count):
    """Waits (10 s at most) for strace to say it has attached `count` threads."""
    said = b''
    deadline = time.monotonic() + 10
    with selectors.DefaultSelector() as waiting:
        waiting.register(tracer.stderr, selectors.EVENT_READ)
        while said.count(b'attached') < count and waiting.select(max(0, deadline - time.monotonic())):
            chunk = os.read(tracer.stderr.fileno(), 4096)
            if not chunk:
                break
            said += chunk
    if said.count(b'attached') < count:
        raise RuntimeError(f'strace attached {said.count(b"attached")} of {count} threads: {said.decode()}')
    threading.Thread(target=tracer.stderr.read, daemon=True).start()


def attach(command, threads):
    """strace attached to the given threads of a running program (no -q: it says when each is)."""
    for tid in threads:
        command += ['-p', str(tid)]
    tracer = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    wait_attached(tracer, len(threads))
    return tracer


def threads_of(pid):
    return sorted(int(t) for t in os.listdir(f'/proc/{pid}/task'))


def check_after(data, acknowledged, name):
    """Starts the program again on the folder, takes a result, stops it; then the database."""
    again = Lesson(data)
    if not again.running():
        faults.append(f'{name}: started again, the lesson did not run: {again.process.stderr.read().strip()}')
        again.stop()
        return 0
    if not again.post('после перезапуска'):
        faults.append(f'{name}: started again, the lesson refused a result')
    status = again.stop()
    if status != 0:
        faults.append(f'{name}: started again, the lesson ended with status {status}')
    db = sqlite3.connect(os.path.join(data, 'results.sqlite'))
    integrity = db.execute('PRAGMA integrity_check').fetchall()
    if integrity != [('ok',)]:
        faults.append(f'{name}: PRAGMA integrity_check says {integrity}')
    students = [row[0] for row in db.execute('SELECT posted_student FROM results')]
    db.close()
    for student in set(students):
        if students.count(student) > 1:
            faults.append(f'{name}: «{student}» kept {students.count(student)} times')
    found = sum(1 for student in acknowledged if student in students)
    if found != len(acknowledged):
        lost = [s for s in acknowledged if s not in students]
        faults.append(f'{name}: results acknowledged and lost: {lost}')
    if 'после перезапуска' not in students:
        faults.append(f'{name}: the result taken after the restart is not in the database')
    return found


def count_calls(trace, calls):
    if not os.path.exists(trace):
        return 0
    pattern = re.compile(r'^(\d+\s+)?(' + '|'.join(calls) + r')\(')
    return sum(1 for line in open(trace, errors='replace') if pattern.match(line))


def run(part, kind, when):
    """One run: the part, its kind of calls, the kill at the when-th. Returns (killed, calls,
    acknowledged, found)."""
    calls = KINDS[kind]
    folder = os.path.join(work, f'{part}-{kind}-{when}')
    data = os.path.join(folder, 'данные')
    os.makedirs(folder)
    trace = os.path.join(folder, 'trace')
    acknowledged = []
    tracer = None
    if part == 'start':
        lesson = Lesson(data, traced(calls, data, when, ['-f']))
        lesson.running()
    else:
        lesson = Lesson(data)
        if not lesson.running():
            faults.append(f'{part} {kind} {when}: the lesson did not start: {lesson.process.stderr.read()}')
            return False, 0, 0, 0
        pid = lesson.pid()
        if part == 'results':
            tracer = attach(traced(calls, data, when, [], quiet=None), threads_of(pid))
            for i in range(RESULTS):
                student = f'Ученик {i + 1}'
                if not lesson.post(student):
                    break
                acknowledged.append(student)
        else:
            for i in range(RESULTS):
                student = f'Ученик {i + 1}'
                if lesson.post(student):
                    acknowledged.append(student)
            tracer = attach(traced(calls, data, when, [], quiet=None), [pid])
    status = lesson.stop()
    if tracer is not None:
        tracer.wait(30)
        killed = status == -signal.SIGKILL
    else:
        killed = status in (-signal.SIGKILL, 128 + signal.SIGKILL)
    if not killed and status != 0:
        faults.append(f'{part} {kind} {when}: the lesson ended with status {status}: '
                      f'{lesson.process.stderr.read().strip()}')
    found = check_after(data, acknowledged, f'{part} {kind} kill at {when}')
    return killed, count_calls(trace, calls), len(acknowledged), found


def power_cut_order():
    """The replies of results against the syncs of the write-ahead log, from one traced run."""
    folder = os.path.join(work, 'order')
    data = os.path.join(folder, 'данные')
    os.makedirs(folder)
    lesson = Lesson(data)
    if not lesson.running():
        faults.append('order: the lesson did not start')
        return 0, 0
    pid = lesson.pid()
    trace = os.path.join(folder, 'trace')
    tracer = attach(['strace', '-y', '-s', '48', '-o', trace, '-e',
                     'trace=write,pwrite64,writev,fsync,fdatasync,sendmsg,sendto'], threads_of(pid))
    for i in range(RESULTS):
        lesson.post(f'Ученик {i + 1}')
    lesson.stop()
    tracer.wait(30)
    # A sync counts once it has returned: a line that ends it, or the line resuming it on its thread.
    dirty, replies, early, syncing = False, 0, 0, set()
    for line in open(trace, errors='replace'):
        thread = line.split()[0]
        if re.search(r'\b(pwrite64|write)\(\d+<[^>]*results\.sqlite-wal>', line):
            dirty = True
        elif re.search(r'\b(fsync|fdatasync)\(\d+<[^>]*results\.sqlite-wal>', line):
            if '<unfinished' in line:
                syncing.add(thread)
            else:
                dirty = False
        elif re.search(r'<\.\.\. (fsync|fdatasync) resumed>', line) and thread in syncing:
            syncing.discard(thread)
            dirty = False
        elif re.search(r'\b(sendmsg|sendto|writev|write)\(\d+<(socket|TCP)', line) and 'HTTP/1.1 200' in line:
            replies += 1
            early += dirty
    if replies != RESULTS:
        faults.append(f'order: {replies} replies of results seen, {RESULTS} posted')
    if early:
        faults.append(f'order: {early} replies sent before the log holding their result was synced')
    return replies, early


def program_checks():
    """The program as a service or a teacher runs it: its signals, its statuses, its messages."""
    checked = []
    for program, stop_with in [(PROGRAM, signal.SIGTERM), (LAUNCHER, signal.SIGINT), (PROGRAM, signal.SIGHUP)]:
        if program is None:
            continue
        name = f'{os.path.basename(os.path.dirname(program)) or program} stopped by {stop_with.name}'
        lesson = Lesson(os.path.join(work, 'program', str(len(checked)), 'данные'), program=program)
        if not lesson.running():
            faults.append(f'{name}: the lesson did not start: {lesson.process.stderr.read().strip()}')
            lesson.stop()
            continue
        c = http.client.HTTPConnection('127.0.0.1', lesson.port, timeout=10)
        c.request('GET', '/1.js')
        served = c.getresponse().read()
        c.close()
        if served != open(os.path.join(test, '1.js'), 'rb').read():
            faults.append(f'{name}: /1.js is not the test\'s 1.js')
        if not lesson.post('Иванов'):
            faults.append(f'{name}: a result was not taken')
        os.kill(lesson.pid(), stop_with)
        status = lesson.process.wait(30)
        while lesson.lines.get(timeout=5) is not None:
            pass
        last = lesson.output[-1] if lesson.output else ''
        if status != 0 or last != 'Урок остановлен: сохранено результатов 1, учеников 1':
            faults.append(f'{name}: status {status}, the last line «{last}»')
        if not any(line.startswith('Результат\t') and '\tИванов\t9А\t' in line for line in lesson.output):
            faults.append(f'{name}: no line printed for the result')
        checked.append(name)

    taken = socket.socket()
    taken.bind(('127.0.0.1', 0))
    taken.listen()
    port = taken.getsockname()[1]
    not_a_database = os.path.join(work, 'program', 'не база')
    os.makedirs(not_a_database)
    with open(os.path.join(not_a_database, 'results.sqlite'), 'wb') as garbage:
        garbage.write(b'x' * 4096)
    for what, data, more, folder, said in [
            ('a port taken', 'порт', ['--port', str(port)], test, f'порт {port} занят другой программой'),
            ('no database', not_a_database, [], test, 'это не база результатов уроков'),
            ('no test', 'нет теста', [], work, 'это не папка теста'),
            ('an unknown option', 'нет', ['--bogus'], test, 'неизвестный параметр «--bogus»')]:
        for program in filter(None, [PROGRAM, LAUNCHER]):
            run = subprocess.run([program, '--serve', folder, '--data', os.path.join(work, 'program', data), *more],
                                 capture_output=True, text=True, timeout=30)
            if run.returncode != 1 or said not in run.stderr or run.stdout:
                faults.append(f'{what}: status {run.returncode}, said «{run.stderr.strip()}», printed «{run.stdout}»')
        checked.append(what)
    taken.close()
    return checked


rows = []
started = time.monotonic()
checked = program_checks()
for part, what in [('start', 'start and stop, no result (main thread)'),
                   ('results', f'{RESULTS} results, one after another (lesson threads)'),
                   ('stop', f'stop after {RESULTS} results (main thread)')]:
    for kind in KINDS:
        kills = acknowledged = found = calls = 0
        for when in range(1, MOST_RUNS + 1):
            killed, n, a, f = run(part, kind, when)
            acknowledged += a
            found += f
            if not killed:
                calls = n
                break
            kills += 1
        else:
            faults.append(f'{part} {kind}: still killed at the {MOST_RUNS}th call')
        rows.append((what, '/'.join(KINDS[kind]), calls, kills, acknowledged, found))
replies, early = power_cut_order()
elapsed = time.monotonic() - started

lines = ['the program: ' + '; '.join(checked) + ': as expected' if not faults else 'the program: see FAULTS']
lines += ['%-46s %-16s %6s %6s %13s %10s' % ('part of the lesson', 'calls', 'made', 'kills', 'acknowledged',
                                          'found')]
for what, kind, calls, kills, acknowledged, found in rows:
    lines.append('%-46s %-16s %6d %6d %13d %10d' % (what, kind, calls, kills, acknowledged, found))
lines.append(f'the order: {replies} replies of results, {early} of them before the sync of the log that holds them')
lines.append(f'{sum(r[3] for r in rows) + len(rows)} runs in {elapsed:.0f} s')
print('\n'.join(lines))
with open(TABLE, 'w') as out:
    out.write('\n'.join(lines) + '\n')
shutil.rmtree(work, ignore_errors=True)
if faults:
    print('\n'.join(['FAULTS:'] + faults), file=sys.stderr)
    sys.exit(1)
