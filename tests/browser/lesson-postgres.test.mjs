// Thirty pupils in headless Chromium at a lesson without a window whose results go to a
// PostgreSQL server: scripts/test-postgres.sh runs one for the run and names a database of it in
// TEST_EDITOR_POSTGRES; without it this test is skipped. Each page's score is the one the server
// keeps; SIGTERM ends the lesson with status 0. Every request goes to 127.0.0.1 alone.

import { after, before, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawn } from 'node:child_process';
import { join } from 'node:path';
import { launchBrowser, takeQuiz } from './quiz-driver.mjs';
import { REPO, SAMPLE, copyShell, dropShell } from './shell-files.mjs';

const PROGRAM = process.env.TEST_EDITOR || join(REPO, 'build', 'release', 'src', 'app', 'test_editor');
const DATABASE = process.env.TEST_EDITOR_POSTGRES;
const PUPILS = 30;

// `test_editor --serve … --database …`, its lines collected; resolves once the lesson runs.
function serve(test) {
  const child = spawn(PROGRAM, ['--serve', test, '--database', DATABASE, '--results-per-minute', '1000'],
    { stdio: ['ignore', 'pipe', 'pipe'] });
  const lesson = { child, lines: [], problems: '' };
  lesson.ended = new Promise((resolve) => child.on('close', (code, signal) => resolve({ code, signal })));
  child.stderr.on('data', (d) => { lesson.problems += d; });
  let pending = '';
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`the lesson did not start: ${lesson.problems}`)), 30000);
    child.on('exit', () => reject(new Error(`the lesson ended: ${lesson.problems}`)));
    child.stdout.setEncoding('utf8');
    child.stdout.on('data', (d) => {
      const lines = (pending + d).split('\n');
      pending = lines.pop();
      lesson.lines.push(...lines);
      const address = lesson.lines.map((l) => /^Адрес для учеников: (http:\/\/127\.0\.0\.1:\d+\/)$/.exec(l)).find(Boolean);
      if (address && lesson.lines.some((l) => l.startsWith('Урок идёт'))) {
        clearTimeout(timer);
        lesson.url = address[1];
        resolve(lesson);
      }
    });
  });
}

// The rows of the pupils named with `prefix`, as the server keeps them (psql).
function kept(prefix) {
  const query = "SELECT posted_student, computed_right, computed_percent, marks, address FROM results "
    + "WHERE posted_student LIKE :'prefix' ORDER BY id;\n";
  const out = execFileSync('psql', ['-X', '-At', '-F', '\t', '-v', 'ON_ERROR_STOP=1', '-v', `prefix=${prefix}%`, DATABASE],
    { input: query, encoding: 'utf8' });
  return out.split('\n').filter(Boolean).map((l) => {
    const [student, right, percent, marks, address] = l.split('\t');
    return { student, right: Number(right), percent: Number(percent), marks: Number(marks), address };
  });
}

let browser;
let shell;
let lesson;
before(async () => {
  if (!DATABASE) return;
  browser = await launchBrowser();
  shell = copyShell(SAMPLE);
  lesson = await serve(shell);
});
after(async () => {
  if (lesson && lesson.child.exitCode === null) lesson.child.kill('SIGKILL');
  await browser?.close();
  if (shell) dropShell(shell);
});

it('thirty pupils in Chromium: each page shows the score the PostgreSQL server keeps', {
  timeout: 600000, skip: DATABASE ? false : 'no PostgreSQL server given (TEST_EDITOR_POSTGRES; scripts/test-postgres.sh gives one)',
}, async () => {
  const prefix = `Хром ${Date.now()} `;
  const names = Array.from({ length: PUPILS }, (_, i) => `${prefix}${String(i + 1).padStart(2, '0')} Сидоров`);
  const policy = (i) => ({ slot, key }) => {
    const right = Number(key);
    const kind = ['right', 'wrong', 'mixed'][i % 3];
    return kind === 'right' || (kind === 'mixed' && slot % 3 === 0) ? right : (right % 4) + 1;
  };
  const runs = await Promise.all(names.map((student, i) => takeQuiz(shell, {
    browser, network: true, url: lesson.url, student, group: '9А', choose: policy(i), resultTimeout: 120000, clicks: 'dom',
  })));
  const shown = new Map();
  runs.forEach((r, i) => {
    assert.deepEqual([r.errors, r.blocked], [[], []], names[i]);
    assert.equal(r.submission?.reply?.status, 200, names[i]);
    assert.match(r.submission.reply.text, /Результат принят/, names[i]);
    assert.equal(r.result.right, [60, 0, 20][i % 3], names[i]);
    shown.set(names[i], r.result);
  });
  const rows = kept(prefix);
  assert.deepEqual(rows.map((k) => k.student).sort(), [...names].sort());
  for (const k of rows) {
    const page = shown.get(k.student);
    assert.deepEqual([k.right, k.percent, k.marks, k.address], [page.right, page.percent, 0, '127.0.0.1'], k.student);
  }
  lesson.child.kill('SIGTERM');
  assert.deepEqual(await lesson.ended, { code: 0, signal: null });
  assert.equal(lesson.lines.filter(Boolean).at(-1), `Урок остановлен: сохранено результатов ${PUPILS}, учеников ${PUPILS}`);
  assert.equal(lesson.problems, '');
});
