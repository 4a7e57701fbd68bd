// A lesson on a copy of the model test. First as a teacher gives it: started through the editor's
// own window (driven offscreen by edit_flow, Тест → «Провести тест в классе…»), taken by thirty
// pupils at once, each in a browser context of its own in one headless Chromium; what each
// pupil's page showed is what the lesson's database holds and what the lesson's window shows in
// its table; a forged result is kept and marked; then the lesson's address written into the test
// by the window (Тест → «Записать адрес урока в тест»), and pupils who open the test from its
// folder (file://) arrive. Then a smaller class on the lesson without a window (test_editor
// --serve), as on a school's server, ended by SIGTERM. Every request goes to 127.0.0.1 alone.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launchBrowser, takeQuiz } from './quiz-driver.mjs';
import { patternRight, pupilNames, takeLesson } from './pupils.mjs';
import { LINES, REPO, SAMPLE, copyShell, dropShell, readKey, readLines, setLines } from './shell-files.mjs';

const PROGRAM = process.env.TEST_EDITOR || join(REPO, 'build', 'release', 'src', 'app', 'test_editor');
const EDIT_FLOW = process.env.EDIT_FLOW || join(REPO, 'build', 'release', 'tests', 'qt', 'edit_flow');
const PUPILS = 30;  // the class in the window's lesson
const SERVED = 6;   // the smaller class of the lesson without a window
const MINUTES = 10;  // the copies' duration, which one pupil of each class lets run out

// A child's stdout as lines, kept in `into.lines`; `ready(lines)` says when the start is done.
function watch(child, into, ready, what) {
  into.problems = '';
  into.lines = [];
  into.ended = new Promise((resolve) => child.on('close', (code, signal) => resolve({ code, signal })));
  child.stderr.on('data', (d) => { into.problems += d; });
  let pending = '';
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`${what} did not start: ${into.lines.join('\n')}${into.problems}`)), 60000);
    child.on('exit', () => reject(new Error(`${what} ended: ${into.lines.join('\n')}${into.problems}`)));
    child.stdout.setEncoding('utf8');
    child.stdout.on('data', (d) => {
      const lines = (pending + d).split('\n');
      pending = lines.pop();
      into.lines.push(...lines);
      if (ready(into.lines)) {
        clearTimeout(timer);
        resolve(into);
      }
    });
  });
}

// `test_editor --serve` on a folder; resolves once the lesson runs, with its address.
function serve(test, data) {
  const child = spawn(PROGRAM, ['--serve', test, '--data', data, '--results-per-minute', '1000'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  const lesson = { child };
  return watch(child, lesson, (lines) => {
    const address = lines.map((l) => /^Адрес для учеников: http:\/\/127\.0\.0\.1:(\d+)\/$/.exec(l)).find(Boolean);
    if (!address || !lines.some((l) => l.startsWith('Урок идёт'))) return false;
    lesson.url = `http://127.0.0.1:${address[1]}/`;
    return true;
  }, 'the lesson');
}

// The editor's window on a folder, a lesson started through its menu (`edit_flow --lesson` or
// `--lesson-address`) until `results` rows are in its table; resolves once the window shows the
// lesson's address (and, with the address written into the test, the field shows it).
function windowLesson(mode, test, results, env) {
  const child = spawn(EDIT_FLOW, [mode, test, String(results), '900'], { env, stdio: ['ignore', 'pipe', 'pipe'] });
  const lesson = { child };
  return watch(child, lesson, (lines) => {
    const value = (name) => lines.find((l) => l.startsWith(`${name}: `))?.slice(name.length + 2);
    lesson.address = value('address');
    lesson.database = value('database');
    lesson.handler = value('handler');
    return Boolean(lesson.address && lesson.database && (mode !== '--lesson-address' || lesson.handler));
  }, 'the lesson in the window');
}

// The rows of the lesson's table as the window printed them, and its count of pupils finished.
function shownTable(lines) {
  const rows = lines.filter((l) => l.startsWith('row: ')).map((l) => {
    const [student, group, right, percent, passed, elapsed, received, marks, times] = l.slice(5).split(' | ');
    return { student, group, right, percent, passed, elapsed, received, marks, times };
  });
  const finished = lines.find((l) => l.startsWith('finished: '));
  return { rows, finished: finished && Number(finished.slice('finished: '.length)) };
}

// The results of the newest lesson of a database as kept, read by Python's sqlite3.
function storedResults(database) {
  const script = 'import json, sqlite3, sys\n'
    + 'db = sqlite3.connect(sys.argv[1])\n'
    + 'print(json.dumps([dict(zip(["student", "group", "right", "percent", "posted_right", "marks", "answers", "address"], r))'
    + ' for r in db.execute("SELECT posted_student, posted_group, computed_right, computed_percent, posted_right,'
    + ' marks, posted_answers, address FROM results WHERE lesson = (SELECT max(id) FROM lessons) ORDER BY id")]))';
  return JSON.parse(execFileSync('python3', ['-c', script, database], { encoding: 'utf8' }));
}

// The printed line of a result: tab-separated time, pupil, class, "right из all", "percent %", marks.
const printedResults = (lines) => lines.filter((l) => l.startsWith('Результат\t')).map((l) => {
  const [, when, student, group, right, percent, marks] = l.split('\t');
  return { when, student, group, right, percent, marks };
});

// A class's runs checked: nothing refused or failed, each result sent to the lesson at 127.0.0.1
// and accepted, each pattern scored as it should; the pages' results by pupil.
function checkedClass(runs, url, runsOut) {
  const shown = new Map();
  runs.forEach(({ student, run }, i) => {
    assert.deepEqual(run.errors, [], student);
    assert.deepEqual(run.blocked, [], student);
    assert.equal(run.submission?.url, `${url}results`, student);
    assert.equal(run.submission.reply?.status, 200, student);
    assert.match(run.submission.reply.text, /Результат принят/, student);
    assert.equal(run.result.right, patternRight(i, runs.length, runsOut), student);
    shown.set(student, run.result);
  });
  return shown;
}

// What the database keeps of a class: its computed scores are the pages', no marks, from 127.0.0.1.
function checkKept(kept, shown) {
  for (const k of kept.filter((k) => shown.has(k.student))) {
    const page = shown.get(k.student);
    assert.deepEqual([k.right, k.percent, k.marks, k.address], [page.right, page.percent, 0, '127.0.0.1'], k.student);
  }
}

// A result posted as the quiz posts it, its score forged: sixty right claimed, every answer wrong.
async function postForged(url, shell) {
  const wrong = readKey(shell).answers.slice(0, 60).map((a) => (Number(a) % 4) + 1).join(',');
  const form = new URLSearchParams({
    course: 'x', student: 'Подделкин', group: '9А', stages: '6', questions: '60', right: '60', percent: '100',
    answers: wrong, finished: 'complete',
  });
  const reply = await fetch(`${url}results`, { method: 'POST', body: form });
  assert.equal(reply.status, 200);
  assert.match(await reply.text(), /Результат принят/);
}
const FORGED_MARK = /прислано «60 правильных, 100 %», а по ответам 0, 0 %/;

let browser;
let work;
const children = [];
const shells = [];
const shellCopy = () => {
  const shell = copyShell(SAMPLE);
  shells.push(shell);
  setLines(join(shell, '1.js'), { [LINES.key.minutes]: String(MINUTES) });
  return shell;
};
before(async () => {
  browser = await launchBrowser();
  work = mkdtempSync(join(tmpdir(), 'lesson-'));
});
after(async () => {
  for (const child of children) if (child.exitCode === null && child.signalCode === null) child.kill('SIGKILL');
  await browser?.close();
  shells.forEach(dropShell);
  if (work) rmSync(work, { recursive: true, force: true });
});

describe('a lesson started through the editor\'s window', () => {
  // The window's lesson keeps its results under XDG_DATA_HOME and the editor its settings under
  // XDG_CONFIG_HOME: both in this run's folder, never the user's.
  let env;
  before(() => {
    assert.ok(existsSync(EDIT_FLOW), `${EDIT_FLOW} is missing: build it first with "bash scripts/build.sh release"`);
    env = { ...process.env, QT_QPA_PLATFORM: 'offscreen', XDG_DATA_HOME: join(work, 'данные'),
      XDG_CONFIG_HOME: join(work, 'settings'), HOME: work };
  });

  it('thirty pupils at once and a forged result: the pages, the database and the window\'s table agree', { timeout: 900000 }, async () => {
    const shell = shellCopy();
    const lesson = await windowLesson('--lesson', shell, PUPILS + 1, env);
    children.push(lesson.child);
    const port = /^http:\/\/(?:127\.0\.0\.1|\[::1\]):(\d+)\/$/.exec(lesson.address)?.[1];
    assert.ok(port, `the window shows the address ${lesson.address}`);
    assert.equal(lesson.database, join(work, 'данные', 'test-editor', 'results.sqlite'));
    const url = `http://127.0.0.1:${port}/`;

    const runs = await takeLesson(browser, shell, url, { count: PUPILS, runsOut: true });
    const shown = checkedClass(runs, url, true);
    const late = runs[PUPILS - 1];
    assert.deepEqual([late.run.result.reason, late.run.result.total], ['timeout', 60]);
    assert.equal(late.run.submission.fields.answers,
      readKey(shell).answers.slice(0, 10).map((a) => a.trim()).join(',') + ',0'.repeat(50));
    await postForged(url, shell);

    // The window saw every result, then «Закончить урок» ended the lesson and Выход the editor.
    const ended = await lesson.ended;
    assert.deepEqual(ended, { code: 0, signal: null }, `${lesson.lines.join('\n')}${lesson.problems}`);
    const table = shownTable(lesson.lines);
    assert.equal(table.rows.length, PUPILS + 1);
    assert.equal(table.finished, PUPILS + 1);
    assert.deepEqual(table.rows.map((r) => r.student).sort(), [...pupilNames(PUPILS), 'Подделкин'].sort());
    for (const row of table.rows.filter((r) => shown.has(r.student))) {
      const page = shown.get(row.student);
      const passed = page.passed === null ? '—' : page.passed ? 'да' : 'нет';
      assert.deepEqual([row.right, row.percent, row.passed, row.marks, row.times],
        [`${page.right} из 60`, `${page.percent} %`, passed, '', '1'], row.student);
    }
    const forgedRow = table.rows.find((r) => r.student === 'Подделкин');
    assert.deepEqual([forgedRow.group, forgedRow.right, forgedRow.percent], ['9А', '0 из 60', '0 %']);
    assert.match(forgedRow.marks, FORGED_MARK);

    const kept = storedResults(lesson.database);
    assert.equal(kept.length, PUPILS + 1);
    assert.deepEqual(kept.map((k) => k.student).sort(), [...pupilNames(PUPILS), 'Подделкин'].sort());
    checkKept(kept, shown);
    const forged = kept.find((k) => k.student === 'Подделкин');
    assert.deepEqual([forged.posted_right, forged.right, forged.percent, forged.marks & 1], ['60', 0, 0, 1]);
  });

  it('the lesson\'s address written into the test by the window: pupils who open it from its folder (file://) arrive', { timeout: 300000 }, async () => {
    const shell = shellCopy();
    const lesson = await windowLesson('--lesson-address', shell, 2, env);
    children.push(lesson.child);
    const port = /^http:\/\/(?:127\.0\.0\.1|\[::1\]):(\d+)\/$/.exec(lesson.address)?.[1];
    assert.equal(lesson.handler, `http://127.0.0.1:${port}/results`);
    assert.equal(readLines(join(shell, 'title.html'))[LINES.title.handler], lesson.handler);
    assert.equal(readLines(join(shell, 'index.html'))[LINES.index.handler], lesson.handler);

    const fromFolder = await Promise.all(['right', 'wrong'].map((choose, i) => takeQuiz(shell, {
      browser, network: true, student: `Из папки ${i + 1}`, choose, clicks: 'dom',
    })));
    for (const r of fromFolder) {
      assert.deepEqual([r.errors, r.blocked], [[], []]);
      assert.equal(r.submission?.url, lesson.handler);
      assert.equal(r.submission.reply?.status, 200);
    }
    assert.deepEqual(fromFolder.map((r) => r.result.right), [60, 0]);

    assert.deepEqual(await lesson.ended, { code: 0, signal: null }, `${lesson.lines.join('\n')}${lesson.problems}`);
    const table = shownTable(lesson.lines);
    assert.deepEqual(table.rows.map((r) => [r.student, r.right]).sort(), [['Из папки 1', '60 из 60'], ['Из папки 2', '0 из 60']]);
    assert.equal(table.finished, 2);
    const kept = storedResults(lesson.database);
    assert.deepEqual(kept.map((k) => [k.student, k.right, k.marks]).sort(), [['Из папки 1', 60, 0], ['Из папки 2', 0, 0]]);
  });
});

describe('a lesson without a window', () => {
  let lesson;
  let shell;
  before(async () => {
    shell = shellCopy();
    lesson = await serve(shell, join(work, 'сервер'));
    children.push(lesson.child);
  });

  it('a class at once: each page shows the score the lesson keeps and prints; a forged result marked; SIGTERM ends it', { timeout: 600000 }, async () => {
    const runs = await takeLesson(browser, shell, lesson.url, { count: SERVED, runsOut: true });
    const shown = checkedClass(runs, lesson.url, true);
    assert.equal(runs[SERVED - 1].run.result.reason, 'timeout');
    await postForged(lesson.url, shell);

    const kept = storedResults(join(work, 'сервер', 'results.sqlite'));
    assert.equal(kept.length, SERVED + 1);
    checkKept(kept, shown);
    assert.deepEqual(kept.filter((k) => shown.has(k.student)).map((k) => k.student).sort(), [...pupilNames(SERVED)].sort());
    const forged = kept.find((k) => k.student === 'Подделкин');
    assert.deepEqual([forged.posted_right, forged.right, forged.percent, forged.marks & 1], ['60', 0, 0, 1]);

    // The lesson stops on SIGTERM with status 0, and counts what it kept. Its lines are read
    // whole only once its output is closed: a result's line is printed after its reply.
    lesson.child.kill('SIGTERM');
    assert.deepEqual(await lesson.ended, { code: 0, signal: null });
    const printed = printedResults(lesson.lines);
    assert.equal(printed.length, SERVED + 1);
    for (const p of printed.filter((p) => p.student !== 'Подделкин')) {
      const page = shown.get(p.student);
      assert.ok(page, `printed for no pupil: ${p.student}`);
      assert.deepEqual([p.right, p.percent, p.marks], [`${page.right} из 60`, `${page.percent} %`, '—'], p.student);
    }
    assert.match(printed.find((p) => p.student === 'Подделкин').marks, FORGED_MARK);

    assert.equal(lesson.lines.filter(Boolean).at(-1), `Урок остановлен: сохранено результатов ${SERVED + 1}, учеников ${SERVED + 1}`);
    assert.equal(lesson.problems, '');
  });
});
