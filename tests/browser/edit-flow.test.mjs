// The whole path: the editor's window, driven offscreen, changes one answer and one right answer
// of the model shell; then the quiz is taken in headless Chromium on what the editor wrote.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { launchBrowser, takeQuiz } from './quiz-driver.mjs';
import { REPO, SAMPLE, copyShell, dropShell, listFiles, readKey, readLines, readPage } from './shell-files.mjs';

const EDIT_FLOW = process.env.EDIT_FLOW || join(REPO, 'build', 'release', 'tests', 'ui', 'edit_flow');

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

describe('an answer changed in the editor window, then the quiz', () => {
  // Stage 3, question 4: page 3.html of folder 2, answer slot 23.
  const slot = 23;
  const newText = 'Новый ответ <b>два</b> & "кавычки"';
  const oldRight = Number(readKey(SAMPLE).answers[slot]);
  const newRight = (oldRight % 4) + 1;

  it('the window saves the page line and the key line, and nothing else changes', () => {
    const out = execFileSync(EDIT_FLOW, [shell, '3', '4', '2', newText, String(newRight)], {
      encoding: 'utf8', env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' }, stdio: ['ignore', 'pipe', 'pipe'],
    });
    assert.match(out, /PASSED/);

    assert.equal(readPage(shell, slot).answers[1], newText);
    assert.deepEqual(readPage(shell, slot).answers.filter((_, i) => i !== 1), readPage(SAMPLE, slot).answers.filter((_, i) => i !== 1));
    assert.equal(readKey(shell).answers[slot], String(newRight));

    const changed = listFiles(SAMPLE).filter((f) => !readFileSync(join(SAMPLE, f)).equals(readFileSync(join(shell, f))));
    assert.deepEqual(changed.sort(), ['1.js', '2/3.html']);
    assert.deepEqual(listFiles(shell).sort(), listFiles(SAMPLE).sort());
    // Within the two files, one whole line each: the answer line and the key line.
    for (const f of changed) {
      const before = readLines(join(SAMPLE, f));
      const after = readLines(join(shell, f));
      assert.equal(after.length, before.length, f);
      assert.equal(after.filter((l, i) => l !== before[i]).length, 1, f);
    }
  });

  it('the quiz shows the new answer text and scores the new right answer', async () => {
    const oldKey = readKey(SAMPLE).answers.map(Number);
    const pick = (atSlot) => ({ slot: s }) => (s === slot ? atSlot : oldKey[s]);

    const byNew = await takeQuiz(shell, { browser, choose: pick(newRight) });
    const shown = byNew.questions.find((q) => q.slot === slot);
    assert.equal(shown.answers[1], newText);
    assert.equal(shown.text, readPage(SAMPLE, slot).text);
    assert.deepEqual([byNew.result.right, byNew.result.total], [60, 60]);

    const byOld = await takeQuiz(shell, { browser, choose: pick(oldRight) });
    assert.deepEqual([byOld.result.right, byOld.result.total], [59, 60]);
  });
});
