// The whole path: the editor's window, driven offscreen, changes a question of the model shell,
// its text and four answers with symbols beyond Windows-1251, and its right answer; then the quiz
// is taken in headless Chromium on what the editor wrote. Then questions imported from text files
// through the window's menu and dialogs, and the quiz on them; and the model test written out as
// text and imported back.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launchBrowser, takeQuiz } from './quiz-driver.mjs';
import { REPO, SAMPLE, copyShell, decode1251, dropShell, encode1251, listFiles, readKey, readLines, readPage } from './shell-files.mjs';

const EDIT_FLOW = process.env.EDIT_FLOW || join(REPO, 'build', 'release', 'tests', 'qt', 'edit_flow');
const IMPORTS = join(REPO, 'tests', 'browser', 'import');

// The line the editor writes: a character beyond the code page as its decimal reference.
const asLine = (text) => [...text].map((ch) => {
  try { encode1251(ch); return ch; } catch { return `&#${ch.codePointAt(0)};`; }
}).join('');

const editFlow = (args) => execFileSync(EDIT_FLOW, args, {
  encoding: 'utf8', env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' }, stdio: ['ignore', 'pipe', 'pipe'],
});

// The questions of the two files the import test reads, as a teacher wrote them: thirty in
// Windows-1251 with a "+" before the right answer (and a picture line in some), twenty in the Aiken
// form (UTF-8, Latin labels, "ANSWER:").
function plusQuestions() {
  return decode1251(readFileSync(join(IMPORTS, 'thirty-1251.txt'))).trim().split(/\r\n\r\n/).map((block) => {
    const lines = block.split('\r\n');
    const answers = lines.filter((l) => /^\+?[АБВГ]\) /.test(l));
    const picture = lines.find((l) => l.startsWith('Рисунок: '));
    return {
      text: lines[0].replace(/^\d+\. /, ''), answers: answers.map((l) => l.replace(/^\+?[АБВГ]\) /, '')),
      right: String(answers.findIndex((l) => l.startsWith('+')) + 1), picture: picture ? picture.slice(9) : '00',
    };
  });
}
function aikenQuestions() {
  return readFileSync(join(IMPORTS, 'twenty-aiken.txt'), 'utf8').trim().split(/\n\n/).map((block) => {
    const lines = block.split('\n');
    return {
      text: lines[0], answers: lines.slice(1, 5).map((l) => l.slice(3)),
      right: String('ABCD'.indexOf(lines[5].slice('ANSWER: '.length)) + 1), picture: '00',
    };
  });
}

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

  it('the window saves the page lines and the key line, and nothing else changes', () => {
    const args = [shell, '3', '4', String(newRight), ...texts.flatMap((t, i) => [String(i), t])];
    const out = editFlow(args);
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

describe('questions imported from text through the window, then the quiz', () => {
  const imported = [...plusQuestions(), ...aikenQuestions()];
  // Slots 40 to 59 hold the first file's first twenty; its last ten went to stage 7, where the
  // second file's first ten replaced them, and its last ten made stage 8.
  const importedAt = (slot) => (slot < 60 ? imported[slot - 40] : imported[slot - 60 + 30]);
  let target;
  before(() => { target = copyShell(SAMPLE); });
  after(() => { if (target) dropShell(target); });

  it('thirty from stage 5, then twenty from stage 7: stages 5 and 6 replaced, 7 and 8 added', () => {
    assert.equal(imported.length, 50);
    const out = editFlow(['--import', target, join(IMPORTS, 'thirty-1251.txt'), '5', join(IMPORTS, 'twenty-aiken.txt'), '7']);
    assert.match(out, /PASSED/);
    assert.match(out, /Новый этап: 7/);
    assert.match(out, /Новый этап: 8/);

    const key = readKey(target);
    assert.equal(key.stages, '8');
    assert.equal(readLines(join(target, 'title.html'))[6], '8');
    // Stages 1 to 4 and everything beside the stages' pages, the key and the title stay as they were.
    for (const f of listFiles(SAMPLE).filter((f) => /^[0-3]\/|^pics\/|^index/.test(f))) {
      assert.ok(readFileSync(join(SAMPLE, f)).equals(readFileSync(join(target, f))), f);
    }
    assert.deepEqual(listFiles(target).filter((f) => /^[67]\//.test(f)).sort(),
      [6, 7].flatMap((s) => Array.from({ length: 10 }, (_, q) => `${s}/${q}.html`)).sort());
    // The second file went into the seventh stage, which the first had added.
    for (let slot = 40; slot < 80; slot++) {
      const page = readPage(target, slot);
      const q = importedAt(slot);
      assert.deepEqual([page.text, ...page.answers], [q.text, ...q.answers].map(asLine), `slot ${slot}`);
      assert.equal(page.ordinal, String(slot + 1), `slot ${slot}: ordinal`);
      assert.equal(page.picture, q.picture, `slot ${slot}: picture`);
      assert.equal(key.answers[slot], q.right, `slot ${slot}: right answer`);
    }
  });

  it('the quiz shows the imported questions and scores them', async () => {
    const key = readKey(target).answers.map(Number);
    const run = await takeQuiz(target, { browser, choose: ({ slot }) => key[slot] });
    assert.deepEqual(run.errors, []);
    assert.deepEqual([run.result.right, run.result.total], [80, 80]);
    for (const shown of run.questions.filter((q) => q.slot >= 40)) {
      const q = importedAt(shown.slot);
      assert.deepEqual([shown.text, ...shown.answers], [q.text, ...q.answers], `slot ${shown.slot}`);
    }
    const wrong = await takeQuiz(target, { browser, choose: ({ slot }) => (slot >= 40 ? (key[slot] % 4) + 1 : key[slot]) });
    assert.deepEqual([wrong.result.right, wrong.result.total], [40, 80]);
  });
});

describe('the model test written out as text through the window and imported back', () => {
  it('changes no byte of the test', () => {
    const target = copyShell(SAMPLE);
    const folder = mkdtempSync(join(tmpdir(), 'questions-'));
    try {
      const text = join(folder, 'вопросы.txt');
      assert.match(editFlow(['--round-trip', target, text]), /PASSED/);
      assert.deepEqual([...readFileSync(text).subarray(0, 3)], [0xef, 0xbb, 0xbf]);
      assert.deepEqual(listFiles(target).sort(), listFiles(SAMPLE).sort());
      for (const f of listFiles(SAMPLE)) assert.ok(readFileSync(join(SAMPLE, f)).equals(readFileSync(join(target, f))), f);
    } finally {
      dropShell(target);
      rmSync(folder, { recursive: true, force: true });
    }
  });
});
