// The whole path: the editor's window, driven offscreen, changes a question of the model shell,
// its text and four answers with symbols beyond Windows-1251, and its right answer; then the quiz
// is taken in headless Chromium on what the editor wrote.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { launchBrowser, takeQuiz } from './quiz-driver.mjs';
import { REPO, SAMPLE, copyShell, dropShell, encode1251, listFiles, readKey, readLines, readPage } from './shell-files.mjs';

const EDIT_FLOW = process.env.EDIT_FLOW || join(REPO, 'build', 'release', 'tests', 'qt', 'edit_flow');

let browser;
let shell;
before(async () => {
  assert.ok(existsSync(EDIT_FLOW), `${EDIT_FLOW} is missing: build it first with "bash scripts/build.sh release"`);
  browser = await launchBrowser();
  shell = copyShell(SAMPLE);
});
after(async () => {
  await browser?.close();
  if (shell) dropShell(shell);
});

describe('a question with symbols changed in the editor window, then the quiz', () => {
  // Stage 3, question 4: page 3.html of folder 2, answer slot 23.
  const slot = 23;
  const texts = [
    'Чему равно x², если x = √2? Число π ≤ 4, вода H₂O, угол α 😀',
    'x² = 2', '√2 ≈ 1,41 <b>', 'π ≤ 4 & "α"', 'H₂O и 😀',
  ];
  const oldRight = Number(readKey(SAMPLE).answers[slot]);
  const newRight = (oldRight % 4) + 1;
  // The line the editor writes: a character beyond the code page as its decimal reference.
  const asLine = (text) => [...text].map((ch) => {
    try { encode1251(ch); return ch; } catch { return `&#${ch.codePointAt(0)};`; }
  }).join('');

  it('the window saves the page lines and the key line, and nothing else changes', () => {
    const args = [shell, '3', '4', String(newRight), ...texts.flatMap((t, i) => [String(i), t])];
    const out = execFileSync(EDIT_FLOW, args, {
      encoding: 'utf8', env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' }, stdio: ['ignore', 'pipe', 'pipe'],
    });
    assert.match(out, /PASSED/);

    const page = readPage(shell, slot);
    assert.deepEqual([page.text, ...page.answers], texts.map(asLine));
    assert.equal(readKey(shell).answers[slot], String(newRight));

    const changed = listFiles(SAMPLE).filter((f) => !readFileSync(join(SAMPLE, f)).equals(readFileSync(join(shell, f))));
    assert.deepEqual(changed.sort(), ['1.js', '2/3.html']);
    assert.deepEqual(listFiles(shell).sort(), listFiles(SAMPLE).sort());
    // Within the two files, whole lines: the text and answer lines, and the key line.
    const changedLines = (f) => {
      const before = readLines(join(SAMPLE, f));
      const after = readLines(join(shell, f));
      assert.equal(after.length, before.length, f);
      return after.flatMap((l, i) => (l !== before[i] ? [i] : []));
    };
    assert.deepEqual(changedLines('2/3.html'), [5, 7, 9, 11, 13]);
    assert.deepEqual(changedLines('1.js'), [10 + 2 * slot]);
  });

  it('the quiz shows exactly those characters and scores the new right answer', async () => {
    const oldKey = readKey(SAMPLE).answers.map(Number);
    const pick = (atSlot) => ({ slot: s }) => (s === slot ? atSlot : oldKey[s]);

    const byNew = await takeQuiz(shell, { browser, choose: pick(newRight) });
    const shown = byNew.questions.find((q) => q.slot === slot);
    assert.deepEqual([shown.text, ...shown.answers], texts);
    assert.deepEqual(byNew.errors, []);
    assert.deepEqual([byNew.result.right, byNew.result.total], [60, 60]);

    const byOld = await takeQuiz(shell, { browser, choose: pick(oldRight) });
    assert.deepEqual([byOld.result.right, byOld.result.total], [59, 60]);
  });
});
