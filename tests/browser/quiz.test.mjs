// The quiz of the model shell taken in headless Chromium from file://, before and after the kinds
// of change the editor makes to a shell.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { launchBrowser, takeQuiz } from './quiz-driver.mjs';
import {
  SAMPLE, addStage, copyShell, dropShell, exchangeSlots, pagePath, readKey, readLines, readPage,
  removeLastStage, setAnswer, setLines,
} from './shell-files.mjs';

let browser;
const shells = [];
before(async () => { browser = await launchBrowser(); });
after(async () => {
  await browser?.close();
  shells.forEach(dropShell);
});
const freshShell = () => { const d = copyShell(SAMPLE); shells.push(d); return d; };
const run = (shell, o = {}) => takeQuiz(shell, { browser, ...o });

// What each page of the shell says, by slot, for comparing with what the quiz showed.
function expectedQuestions(shell, count) {
  return Array.from({ length: count }, (_, slot) => {
    const p = readPage(shell, slot);
    return { slot, stage: Math.floor(slot / 10) + 1, question: (slot % 10) + 1, text: p.text, answers: p.answers, picture: p.picture };
  });
}

function assertShownAsOnDisk(shown, expected) {
  assert.equal(shown.length, expected.length);
  shown.forEach((q, i) => {
    const e = expected[i];
    assert.deepEqual([q.slot, q.stage, q.question, q.text, q.answers], [e.slot, e.stage, e.question, e.text, e.answers], `slot ${e.slot}`);
    if (e.picture === '00') assert.equal(q.picture, null, `slot ${e.slot}: no picture`);
    else assert.deepEqual(q.picture, { name: e.picture, width: 315, height: 272 }, `slot ${e.slot}: picture`);
  });
}

describe('the model test', { concurrency: 4 }, () => {
  it('answered by the key: every question as its page says, 100 %, passed, result form posted', async () => {
    const shell = freshShell();
    const r = await run(shell, { student: 'Петрова Анна', group: '9Б' });
    const title = readLines(join(shell, 'title.html'));
    assert.deepEqual(r.title, { inspector: title[2], course: title[4], stages: title[6], minutes: title[8], pass: title[10] });
    assert.equal(r.header, `Тестирование по курсу «${readLines(join(shell, 'index1.html'))[1]}»`);
    assertShownAsOnDisk(r.questions, expectedQuestions(shell, 60));
    assert.ok(r.questions.filter((q) => q.picture).length >= 5);
    assert.match(r.questions[0].timer, /^Осталось 4[45]:\d\d$/);
    assert.deepEqual(r.errors, []);
    assert.deepEqual([r.result.right, r.result.total, r.result.percent, r.result.passed, r.result.reason], [60, 60, 100, true, 'complete']);

    const handler = readLines(join(shell, 'index.html'))[17];
    assert.equal(r.submission.url, handler);
    assert.equal(r.submission.method, 'POST');
    const f = r.submission.fields;
    const key = readKey(shell);
    assert.deepEqual(
      [f.student, f.group, f.course, f.inspector, f.stages, f.questions, f.right, f.percent, f.pass, f.passed, f.minutes, f.finished],
      ['Петрова Анна', '9Б', title[4], title[2], '6', '60', '60', '100', '60', '1', '45', 'complete']);
    assert.equal(f.answers, key.answers.slice(0, 60).join(','));
    assert.equal(f.marks, '1'.repeat(60));
    assert.equal(r.requests.length, 1, 'nothing but the result form goes to the network');
  });

  it('answered wrongly it fails, and the pass mark counts exactly: 36 of 60 pass, 35 do not', async () => {
    const shell = freshShell();
    const wrong = await run(shell, { choose: 'wrong' });
    assert.deepEqual([wrong.result.right, wrong.result.percent, wrong.result.passed], [0, 0, false]);
    assert.equal(wrong.submission.fields.passed, '0');
    assert.equal(wrong.submission.fields.marks, '0'.repeat(60));

    const rightUpTo = (n) => ({ slot, key }) => (slot < n ? Number(key) : (Number(key) % 4) + 1);
    const pass = await run(shell, { choose: rightUpTo(36) });
    assert.deepEqual([pass.result.right, pass.result.percent, pass.result.passed], [36, 60, true]);
    const fail = await run(shell, { choose: rightUpTo(35) });
    assert.deepEqual([fail.result.right, fail.result.percent, fail.result.passed], [35, 58, false]);
    assert.equal(fail.submission.fields.marks, '1'.repeat(35) + '0'.repeat(25));
  });
});

describe('what the editor writes into a shell', { concurrency: 4 }, () => {
  it('a changed right answer in 1.js and a changed question page are what the quiz uses', async () => {
    const shell = freshShell();
    const slot = 23; // stage 3, question 4
    const before = readKey(shell).answers[slot];
    const changed = String((Number(before) % 4) + 1);
    setAnswer(shell, slot, changed);
    setLines(pagePath(shell, slot), { 5: 'Какое устройство называют «сердцем» компьютера?', 9: 'Центральный процессор' });

    const byNewKey = await run(shell);
    assert.equal(byNewKey.questions[slot].text, 'Какое устройство называют «сердцем» компьютера?');
    assert.equal(byNewKey.questions[slot].answers[1], 'Центральный процессор');
    assert.equal(byNewKey.result.right, 60);

    const byOldKey = await run(shell, { choose: ({ slot: s, key }) => Number(s === slot ? before : key) });
    assert.equal(byOldKey.result.right, 59);
    assert.equal(byOldKey.submission.fields.marks[slot], '0');
  });

  it('markup in question and answer lines is shown as text; odd answer lines harm no other question', async () => {
    const shell = freshShell();
    // References other than the editor's own form of a character beyond the code page stay as written.
    const text = '</plaintext></div><script>document.title="сломано"</script> <b>a</b> &amp; & "x" \'y\' <!-- ${1} ` &#x221A; &#0960; &#65; &#1087; &#128;';
    const answers = ['</div>', '<img src=x onerror="window.hacked=1">', '<script>', '-->'];
    setLines(pagePath(shell, 1), { 5: text, 7: answers[0], 9: answers[1], 11: answers[2], 13: answers[3] });
    setAnswer(shell, 5, 'abc');
    setAnswer(shell, 6, '`${x}` </script> <!--');
    setAnswer(shell, 7, ' 2 ');
    setAnswer(shell, 8, '');
    const key = readKey(shell);
    // A key line that is no answer number can never be right; answer 1 there.
    const r = await run(shell, {
      choose: ({ key: k }) => (/^[1-4]$/.test(k) ? Number(k) : 1),
      inspect: (page) => page.evaluate(() => ({ title: document.title, hacked: window.hacked ?? null })),
    });
    assert.deepEqual(r.errors, []);
    assert.equal(r.questions[1].text, text);
    assert.deepEqual(r.questions[1].answers, answers);
    assert.deepEqual(r.inspected, { title: `Тест: ${readLines(join(shell, 'index1.html'))[1]}`, hacked: null });
    assert.equal(key.answers[7], ' 2 ');
    assert.equal(r.result.right, 57, 'all but the slots holding "abc", a template and an empty line');
    assert.equal(r.submission.fields.marks, '11111' + '00' + '1' + '0' + '1'.repeat(51));
  });

  it('mixed pages are asked and scored by where they stand, whatever their ordinal line says', async () => {
    const shell = freshShell();
    const original = expectedQuestions(shell, 60);
    exchangeSlots(shell, 0, 40);
    exchangeSlots(shell, 40, 12);
    assert.equal(readPage(shell, 0).ordinal, '41', 'a moved page keeps its old ordinal');
    const r = await run(shell);
    assert.equal(r.questions[0].text, original[40].text);
    assert.equal(r.questions[40].text, original[12].text);
    assert.equal(r.questions[12].text, original[0].text);
    assert.deepEqual(r.questions[0].picture, { name: original[40].picture, width: 315, height: 272 });
    assert.equal(r.questions[40].picture.name, original[12].picture);
    assert.equal(r.result.right, 60);
  });

  it('an empty picture line, "00", or one naming no existing picture shows no picture', async () => {
    const shell = freshShell();
    const lines = ['', '00', '9', '0', '../index', '3'];
    lines.forEach((pic, slot) => setLines(pagePath(shell, slot), { 3: pic }));
    const r = await run(shell);
    assert.deepEqual(r.questions.slice(0, 6).map((q) => q.picture), [null, null, null, null, null, { name: '3', width: 315, height: 272 }]);
    assert.deepEqual(r.errors, []);
    assert.equal(r.result.right, 60);
  });

  it('an empty duration and a non-numeric pass mark: no time limit, no verdict, the test still ends', async () => {
    const shell = freshShell();
    setLines(join(shell, '1.js'), { 4: '', 7: 'шестьдесят' });
    setLines(join(shell, 'title.html'), { 8: '', 10: 'шестьдесят' });
    const r = await run(shell, { choose: 'wrong' });
    assert.equal(r.questions[0].timer, null);
    assert.deepEqual([r.result.right, r.result.passed, r.result.reason], [0, null, 'complete']);
    assert.equal(r.submission.fields.passed, '');
    assert.equal(r.submission.fields.pass, 'шестьдесят');
  });

  it('an empty handler address: the result is shown and nothing is posted', async () => {
    const shell = freshShell();
    setLines(join(shell, 'index.html'), { 17: '' });
    const r = await run(shell);
    assert.equal(r.result.right, 60);
    assert.match(r.result.sent, /не задан/);
    assert.deepEqual(r.requests, []);
  });
});

describe('number of stages', { concurrency: 4 }, () => {
  it('one stage: ten questions', async () => {
    const shell = freshShell();
    for (let n = 6; n > 1; n--) removeLastStage(shell);
    const r = await run(shell);
    assertShownAsOnDisk(r.questions, expectedQuestions(shell, 10));
    assert.deepEqual([r.result.right, r.result.total, r.result.percent], [10, 10, 100]);
    assert.equal(r.title.stages, '1');
  });

  it('ten stages, the new ones copied page for page from the last stage folder', async () => {
    const shell = freshShell();
    for (let n = 6; n < 10; n++) addStage(shell);
    const r = await run(shell);
    const expected = expectedQuestions(shell, 100);
    assertShownAsOnDisk(r.questions, expected);
    assert.equal(r.questions[95].text, expected[55].text);
    assert.deepEqual([r.result.right, r.result.total, r.result.passed], [100, 100, true]);
    assert.equal(r.submission.fields.stages, '10');
  });

  it('no stage at all: the title page says so and offers no start', async () => {
    const shell = freshShell();
    for (let n = 6; n > 0; n--) removeLastStage(shell);
    const r = await run(shell);
    assert.equal(r.canStart, false);
    assert.deepEqual(r.errors, []);
  });
});

describe('test time', { concurrency: 4 }, () => {
  it('ends the test when the duration has run out, with the answers given so far', async () => {
    const shell = freshShell();
    setLines(join(shell, '1.js'), { 4: '2' });
    const r = await run(shell, { clock: true, choose: ({ slot, key }) => (slot < 3 ? Number(key) : null) });
    assert.equal(r.questions.length, 4);
    assert.match(r.questions[0].timer, /^Осталось (2:00|1:59)$/);
    assert.deepEqual([r.result.right, r.result.total, r.result.reason, r.result.passed], [3, 60, 'timeout', false]);
    const f = r.submission.fields;
    assert.equal(f.finished, 'timeout');
    assert.equal(f.answers, readKey(shell).answers.slice(0, 3).join(',') + ',0'.repeat(57));
    assert.ok(Number(f.elapsed) >= 120);
  });
});
