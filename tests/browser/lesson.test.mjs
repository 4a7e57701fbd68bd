// A lesson on a copy of the model test, taken by thirty pupils at once, each in a browser context
// of its own in one headless Chromium: the lesson without a window (test_editor --serve) serves
// the test, scores every result again and keeps it; what each pupil's page showed is what the
// database holds and what the lesson printed. Then a forged result, kept and marked, and pupils
// who opened the test from its folder (file://), the lesson's address written into the copy.
// Every request goes to 127.0.0.1 alone.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launchBrowser, takeQuiz } from './quiz-driver.mjs';
import { LINES, REPO, SAMPLE, copyShell, dropShell, readKey, setLines } from './shell-files.mjs';

const PROGRAM = process.env.TEST_EDITOR || join(REPO, 'build', 'release', 'src', 'app', 'test_editor');
const PUPILS = 30;
const MINUTES = 10;  // the copy's duration, which one pupil lets run out

// `test_editor --serve` on a folder, its lines collected; resolves once the lesson runs.
function serve(test, data) {
  const child = spawn(PROGRAM, ['--serve', test, '--data', data, '--results-per-minute', '1000'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  const lesson = { child, lines: [], problems: '', ended: null };
  lesson.ended = new Promise((resolve) => child.on('close', (code, signal) => resolve({ code, signal })));
  child.stderr.on('data', (d) => { lesson.problems += d; });
  let pending = '';
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`the lesson did not start: ${lesson.problems}`)), 20000);
    child.on('exit', () => reject(new Error(`the lesson ended: ${lesson.problems}`)));
    child.stdout.setEncoding('utf8');
    child.stdout.on('data', (d) => {
      const lines = (pending + d).split('\n');
      pending = lines.pop();
      lesson.lines.push(...lines);
      const address = lesson.lines.map((l) => /^Адрес для учеников: http:\/\/127\.0\.0\.1:(\d+)\/$/.exec(l)).find(Boolean);
      if (address && lesson.lines.some((l) => l.startsWith('Урок идёт'))) {
        clearTimeout(timer);
        lesson.port = Number(address[1]);
        lesson.url = `http://127.0.0.1:${lesson.port}/`;
        resolve(lesson);
      }
    });
  });
}

// The lesson's results as kept, read by Python's sqlite3.
function storedResults(database) {
  const script = 'import json, sqlite3, sys\n'
    + 'db = sqlite3.connect(sys.argv[1])\n'
    + 'print(json.dumps([dict(zip(["student", "group", "right", "percent", "posted_right", "marks", "answers", "address"], r))'
    + ' for r in db.execute("SELECT posted_student, posted_group, computed_right, computed_percent, posted_right,'
    + ' marks, posted_answers, address FROM results ORDER BY id")]))';
  return JSON.parse(execFileSync('python3', ['-c', script, database], { encoding: 'utf8' }));
}

// The printed line of a result: tab-separated time, pupil, class, "right из all", "percent %", marks.
const printedResults = (lines) => lines.filter((l) => l.startsWith('Результат\t')).map((l) => {
  const [, when, student, group, right, percent, marks] = l.split('\t');
  return { when, student, group, right, percent, marks };
});

// The pupils: three ways of answering in turn; one name with markup, one with an emoji; the last
// stops after ten questions and lets the time run out.
const names = Array.from({ length: PUPILS }, (_, i) => (i === 1 ? '<b>Иванов</b>' : i === 2 ? 'Петров 😀 Пётр' : `Ученик ${String(i + 1).padStart(2, '0')} Сидоров`));
function policy(i) {
  if (i === PUPILS - 1) return ({ slot, key }) => (slot < 10 ? Number(key) : null);
  const kind = ['right', 'wrong', 'mixed'][i % 3];
  return ({ slot, key }) => {
    const right = Number(key);
    const wrong = (right % 4) + 1;
    return kind === 'right' || (kind === 'mixed' && slot % 3 === 0) ? right : wrong;
  };
}

let browser;
let work;
let shell;
let lesson;
before(async () => {
  browser = await launchBrowser();
  work = mkdtempSync(join(tmpdir(), 'lesson-'));
  shell = copyShell(SAMPLE);
  setLines(join(shell, '1.js'), { [LINES.key.minutes]: String(MINUTES) });
  lesson = await serve(shell, join(work, 'данные'));
});
after(async () => {
  if (lesson && lesson.child.exitCode === null) lesson.child.kill('SIGKILL');
  await browser?.close();
  if (shell) dropShell(shell);
  if (work) rmSync(work, { recursive: true, force: true });
});

describe('a lesson without a window', () => {
  const shown = new Map();

  it('thirty pupils at once: each page shows the score the lesson keeps and prints', { timeout: 600000 }, async () => {
    const key = readKey(shell);
    const runs = await Promise.all(names.map((student, i) => takeQuiz(shell, {
      browser, network: true, url: lesson.url, student, group: i % 2 ? '9Б' : '9А', choose: policy(i),
      clock: i === PUPILS - 1, resultTimeout: 120000, clicks: 'dom',
    })));
    runs.forEach((r, i) => {
      assert.deepEqual(r.errors, [], names[i]);
      assert.deepEqual(r.blocked, [], names[i]);
      assert.equal(r.submission?.url, `${lesson.url}results`, names[i]);
      assert.equal(r.submission.reply?.status, 200, names[i]);
      assert.match(r.submission.reply.text, /Результат принят/, names[i]);
      shown.set(names[i], r.result);
    });
    // The answering patterns gave what they should, so that a score the lesson got wrong shows.
    const expectedRight = (i) => (i === PUPILS - 1 ? 10 : [60, 0, 20][i % 3]);
    names.forEach((n, i) => assert.equal(shown.get(n).right, expectedRight(i), n));
    const late = shown.get(names[PUPILS - 1]);
    assert.deepEqual([late.reason, late.total], ['timeout', 60]);
    assert.equal(runs[PUPILS - 1].submission.fields.answers,
      key.answers.slice(0, 10).map((a) => a.trim()).join(',') + ',0'.repeat(50));

    const kept = storedResults(join(work, 'данные', 'results.sqlite'));
    assert.equal(kept.length, PUPILS);
    assert.deepEqual(kept.map((k) => k.student).sort(), [...names].sort());
    for (const k of kept) {
      const page = shown.get(k.student);
      assert.deepEqual([k.right, k.percent, k.marks], [page.right, page.percent, 0], k.student);
      assert.equal(k.address, '127.0.0.1');
    }
    const printed = printedResults(lesson.lines);
    assert.equal(printed.length, PUPILS);
    for (const p of printed) {
      const page = shown.get(p.student);
      assert.ok(page, `printed for no pupil: ${p.student}`);
      assert.deepEqual([p.right, p.percent, p.marks], [`${page.right} из 60`, `${page.percent} %`, '—'], p.student);
    }
  });

  it('a forged result is kept with its mark; pupils from the folder (file://) arrive too', { timeout: 180000 }, async () => {
    const key = readKey(shell);
    const wrong = key.answers.slice(0, 60).map((a) => (Number(a) % 4) + 1).join(',');
    const form = new URLSearchParams({
      course: 'x', student: 'Подделкин', group: '9А', stages: '6', questions: '60', right: '60', percent: '100',
      answers: wrong, finished: 'complete',
    });
    const reply = await fetch(`${lesson.url}results`, { method: 'POST', body: form });
    assert.equal(reply.status, 200);
    assert.match(await reply.text(), /Результат принят/);

    // The test opened from its folder, with the lesson's address written as the editor's
    // «Записать адрес урока в тест» writes it: title.html line 12 and index.html line 17.
    const folder = copyShell(SAMPLE);
    try {
      const handler = `${lesson.url}results`;
      setLines(join(folder, 'title.html'), { [LINES.title.handler]: handler });
      setLines(join(folder, 'index.html'), { [LINES.index.handler]: handler });
      const fromFolder = await Promise.all(['right', 'wrong'].map((choose, i) => takeQuiz(folder, {
        browser, network: true, student: `Из папки ${i + 1}`, choose, clicks: 'dom',
      })));
      for (const r of fromFolder) {
        assert.deepEqual(r.blocked, []);
        assert.equal(r.submission?.url, handler);
        assert.equal(r.submission.reply?.status, 200);
      }
      assert.deepEqual(fromFolder.map((r) => r.result.right), [60, 0]);
    } finally {
      dropShell(folder);
    }

    const kept = storedResults(join(work, 'данные', 'results.sqlite'));
    assert.equal(kept.length, PUPILS + 3);
    const forged = kept.find((k) => k.student === 'Подделкин');
    assert.deepEqual([forged.posted_right, forged.right, forged.percent, forged.marks & 1], ['60', 0, 0, 1]);
    assert.deepEqual(['Из папки 1', 'Из папки 2'].map((n) => kept.find((k) => k.student === n)?.right), [60, 0]);
    const printed = printedResults(lesson.lines).find((p) => p.student === 'Подделкин');
    assert.match(printed.marks, /прислано «60 правильных, 100 %», а по ответам 0, 0 %/);

    // The lesson stops on SIGTERM with status 0, and counts what it kept.
    lesson.child.kill('SIGTERM');
    assert.deepEqual(await lesson.ended, { code: 0, signal: null });
    assert.equal(lesson.lines.filter(Boolean).at(-1), `Урок остановлен: сохранено результатов ${PUPILS + 3}, учеников ${PUPILS + 3}`);
    assert.equal(lesson.problems, '');
  });
});
