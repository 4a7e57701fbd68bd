// The whole path: the editor's window, driven offscreen, changes a question of the model shell,
// its text and four answers with symbols beyond Windows-1251, and its right answer; then the quiz
// is taken in headless Chromium on what the editor wrote. Then questions imported from text files
// through the window's menu and dialogs, and the quiz on them; and the model test written out as
// text and imported back.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { inflateSync } from 'node:zlib';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, relative } from 'node:path';
import { pathToFileURL } from 'node:url';
import { CHROMIUM, launchBrowser, takeQuiz } from './quiz-driver.mjs';
import { LINES, REPO, SAMPLE, copyShell, decode1251, dropShell, encode1251, listFiles, pagePath, readKey, readLines, readPage, setAnswer, setLines } from './shell-files.mjs';
import { pageAnswerLine } from '../../scripts/sample/layout.mjs';

const EDIT_FLOW = process.env.EDIT_FLOW || join(REPO, 'build', 'release', 'tests', 'qt', 'edit_flow');
const IMPORTS = join(REPO, 'tests', 'browser', 'import');

// The line the editor writes: a character beyond the code page as its decimal reference.
const asLine = (text) => [...text].map((ch) => {
  try { encode1251(ch); return ch; } catch { return `&#${ch.codePointAt(0)};`; }
}).join('');

// The editor's settings (the tests opened last) go to a folder of the run, never the user's.
const settings = mkdtempSync(join(tmpdir(), 'edit-flow-settings-'));
process.on('exit', () => rmSync(settings, { recursive: true, force: true }));
const editFlow = (args) => execFileSync(EDIT_FLOW, args, {
  encoding: 'utf8', env: { ...process.env, QT_QPA_PLATFORM: 'offscreen', XDG_CONFIG_HOME: settings }, stdio: ['ignore', 'pipe', 'pipe'],
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
    // Beside the test's own files, only the history's record of this one save.
    const [history, own] = [true, false].map((h) => listFiles(shell).filter((f) => f.startsWith('.editor-history/') === h));
    assert.deepEqual(own.sort(), listFiles(SAMPLE).sort());
    assert.equal(history.length, 1);
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

// A bitmap file of 24 bits a pixel, rows from the bottom, of the colour paint(x, y) gives.
function bmpFile(width, height, paint) {
  const row = Math.ceil((width * 3) / 4) * 4;
  const out = Buffer.alloc(54 + row * height);
  out.write('BM', 0, 'latin1');
  out.writeUInt32LE(out.length, 2);
  out.writeUInt32LE(54, 10);
  out.writeUInt32LE(40, 14);
  out.writeInt32LE(width, 18);
  out.writeInt32LE(height, 22);
  out.writeUInt16LE(1, 26);
  out.writeUInt16LE(24, 28);
  out.writeUInt32LE(row * height, 34);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const [r, g, b] = paint(x, height - 1 - y);
      out.set([b, g, r], 54 + y * row + x * 3);
    }
  }
  return out;
}

// The pixels of a PNG as Chromium writes its screenshots (8 bits a channel, RGB or RGBA, not
// interlaced): { width, height, at(x, y) -> [r, g, b] }.
function pngPixels(png) {
  let width = 0, height = 0, channels = 0;
  const data = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at);
    const type = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      [width, height] = [body.readUInt32BE(0), body.readUInt32BE(4)];
      assert.equal(body[8], 8, 'eight bits a channel');
      assert.equal(body[12], 0, 'not interlaced');
      channels = { 2: 3, 6: 4 }[body[9]];
    }
    if (type === 'IDAT') data.push(body);
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    for (let i = 0; i < stride; i++) {
      const x = raw[y * (stride + 1) + 1 + i];
      const a = i >= channels ? pixels[y * stride + i - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + i] : 0;
      const c = y > 0 && i >= channels ? pixels[(y - 1) * stride + i - channels] : 0;
      const paeth = () => {
        const p = a + b - c;
        const [pa, pb, pc] = [Math.abs(p - a), Math.abs(p - b), Math.abs(p - c)];
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      };
      pixels[y * stride + i] = (x + [0, a, b, (a + b) >> 1, paeth()][filter]) & 0xff;
    }
  }
  return { width, height, at: (x, y) => [...pixels.subarray((y * width + x) * channels, (y * width + x) * channels + 3)] };
}

describe('a picture made from an image file in the editor window, then the quiz', () => {
  // Stage 2, question 5: slot 14. The image: blue under a yellow band, 640×480, fitted into
  // 315×236 in the middle of the 315×272 box, white above and below.
  const slot = 14;
  let target, image;
  before(() => {
    target = copyShell(SAMPLE);
    image = join(mkdtempSync(join(tmpdir(), 'edit-flow-image-')), 'фото.bmp');
    writeFileSync(image, bmpFile(640, 480, (x, y) => (y < 60 ? [240, 200, 20] : [30, 80, 200])));
  });
  after(() => { if (target) dropShell(target); });

  it('the window adds it as the lowest free picture and saves the page with it, and the quiz shows it', async () => {
    const out = editFlow(['--picture', target, '2', '5', image]);
    assert.match(out, /PASSED/);
    assert.match(out, /picture: 9\.gif/);
    const gif = readFileSync(join(target, 'pics', '9.gif'));
    assert.equal(gif.toString('latin1', 0, 6), 'GIF87a');
    assert.deepEqual([gif.readUInt16LE(6), gif.readUInt16LE(8)], [315, 272]);
    const changed = listFiles(SAMPLE).filter((f) => !readFileSync(join(SAMPLE, f)).equals(readFileSync(join(target, f))));
    assert.deepEqual(changed.sort(), ['1/4.html']);
    assert.equal(readLines(join(target, '1', '4.html'))[3], '9');

    const run = await takeQuiz(target, { browser, pictureShots: true });
    assert.deepEqual(run.errors, []);
    const shown = run.questions.find((q) => q.slot === slot);
    assert.deepEqual({ ...shown.picture }, { name: shown.picture.name, width: 315, height: 272 });
    // The element as drawn, its frame around the picture at its own size.
    const drawn = pngPixels(shown.pictureShot);
    const [dx, dy] = [Math.round((drawn.width - 315) / 2), Math.round((drawn.height - 272) / 2)];
    assert.ok(dx >= 0 && dx <= 4 && dy >= 0 && dy <= 4, `the picture drawn ${drawn.width}×${drawn.height}`);
    for (const [x, y, rgb] of [[157, 5, [255, 255, 255]], [12, 30, [240, 200, 20]], [157, 140, [30, 80, 200]],
      [300, 240, [30, 80, 200]], [157, 265, [255, 255, 255]]]) {
      assert.deepEqual(drawn.at(x + dx, y + dy), rgb, `the pixel at ${x},${y}`);
    }
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

// The test as a whole through the window's menus, with a stand-in for the system's browser: an
// xdg-open first on the PATH that records what it was asked to open.
describe('the test as a whole through the window: printed, checked, in the browser, another test opened', () => {
  let work;
  let record;
  let env;
  before(() => {
    work = mkdtempSync(join(tmpdir(), 'whole-'));
    const bin = join(work, 'bin');
    mkdirSync(bin);
    writeFileSync(join(bin, 'xdg-open'), '#!/bin/sh\nprintf "%s\\n" "$1" >> "$BROWSER_RECORD"\n', { mode: 0o755 });
    record = join(work, 'opened.txt');
    env = { ...process.env, QT_QPA_PLATFORM: 'offscreen', PATH: `${bin}:${process.env.PATH}`, BROWSER_RECORD: record,
      XDG_CONFIG_HOME: join(work, 'settings'), HOME: work };
  });
  after(() => rmSync(work, { recursive: true, force: true }));
  const flow = (args) => execFileSync(EDIT_FLOW, args, { encoding: 'utf8', env, stdio: ['ignore', 'pipe', 'pipe'] });
  const opened = () => (existsSync(record) ? readFileSync(record, 'utf8').trim().split('\n') : []);
  const words = (text) => text.replace(/\s+/g, ' ').trim();

  it('printed to a file that Chromium prints: every question, its picture, the key of 1.js on a page of its own', () => {
    const shell = copyShell(SAMPLE);
    const page = join(work, 'Основы информатики.html');
    const pdf = join(work, 'printed.pdf');
    try {
      assert.match(flow(['--print', shell, page]), /PASSED/);
      assert.deepEqual(opened(), [page]);
      for (const f of listFiles(SAMPLE)) assert.ok(readFileSync(join(SAMPLE, f)).equals(readFileSync(join(shell, f))), f);
      execFileSync(CHROMIUM, ['--headless', '--no-sandbox', '--disable-gpu', '--no-pdf-header-footer',
        `--print-to-pdf=${pdf}`, pathToFileURL(page).href], { stdio: 'ignore' });
      const pages = Number(/Pages:\s+(\d+)/.exec(execFileSync('pdfinfo', [pdf], { encoding: 'utf8' }))[1]);
      const text = (n, layout = false) => execFileSync('pdftotext', [...(layout ? ['-layout'] : []), '-f', String(n), '-l', String(n), pdf, '-'], { encoding: 'utf8' });
      const all = words(Array.from({ length: pages }, (_, i) => text(i + 1)).join(' '));
      const key = readKey(SAMPLE);
      let pictures = 0;
      for (let slot = 0; slot < 60; slot++) {
        const q = readPage(SAMPLE, slot);
        const shown = `${q.text} ${q.answers.map((a, i) => `${i + 1}. ${a}`).join(' ')}`;
        assert.ok(all.includes(words(shown)), `question ${slot + 1} is not on the paper whole: ${shown}`);
        if (q.picture !== '00') pictures += 1;
      }
      const images = execFileSync('pdfimages', ['-list', pdf], { encoding: 'utf8' }).trim().split('\n').slice(2);
      assert.equal(images.length, pictures);
      assert.ok(pictures > 0);
      // The key and the answer sheet each begin a page that holds no question.
      const keyPage = Array.from({ length: pages }, (_, i) => i + 1).find((n) => text(n).includes('Ключ ответов'));
      const sheetPage = Array.from({ length: pages }, (_, i) => i + 1).find((n) => text(n).includes('Бланк ответов'));
      assert.ok(keyPage && sheetPage > keyPage, `key on page ${keyPage}, sheet on page ${sheetPage}`);
      assert.ok(!/ · этап /.test(text(keyPage)) && !text(sheetPage).includes('Ключ ответов'));
      assert.ok(/Ключ ответов/.test(text(keyPage).trimStart().split('\n')[0]));
      assert.match(text(pages, true), new RegExp(`Страница ${pages} из ${pages}`));
      const rights = [...text(keyPage, true).matchAll(/^\s*Ответ\s+([\d\s]+)$/gm)].flatMap((m) => m[1].trim().split(/\s+/));
      assert.deepEqual(rights, key.answers.slice(0, 60));
    } finally {
      dropShell(shell);
    }
  });

  it('the model test checked: nothing found; a copy with one slip of each kind: each listed, and the row chosen shown', () => {
    const clean = copyShell(SAMPLE);
    const slipped = copyShell(SAMPLE);
    try {
      const out = flow(['--check', clean, '0']);
      assert.match(out, /box: Ошибок не найдено/);
      assert.doesNotMatch(out, /row: /);
      // One slip of each kind, each in a question of its own.
      const first = readPage(slipped, 20);
      setLines(pagePath(slipped, 3), { [LINES.page.text]: '   ' });
      setLines(pagePath(slipped, 14), { [pageAnswerLine(3)]: '' });
      setLines(pagePath(slipped, 25), { [pageAnswerLine(2)]: ` ${readPage(slipped, 25).answers[0].toUpperCase()} ` });
      setAnswer(slipped, 36, '7');
      setLines(pagePath(slipped, 47), { [pageAnswerLine(Number(readKey(slipped).answers[47]))]: '' });
      setLines(pagePath(slipped, 52), { [LINES.page.picture]: '9' });
      setLines(pagePath(slipped, 21), { [LINES.page.text]: first.text, ...Object.fromEntries(first.answers.map((a, i) => [pageAnswerLine(i + 1), a])) });
      setLines(join(slipped, '1.js'), { [LINES.key.minutes]: '0', [LINES.key.pass]: '150' });
      const checked = flow(['--check', slipped, '7']);
      const rows = [...checked.matchAll(/^row: (.*)$/gm)].map((m) => m[1]);
      assert.deepEqual(rows, [
        '— | — | длительность теста должна быть положительным числом минут, а записано «0»',
        '— | — | минимальный процент правильных ответов должен быть числом от 1 до 100, а записано «150»',
        '1 | 4 | пустой текст вопроса',
        '2 | 5 | пустой ответ 3',
        '3 | 2 | текст и ответы те же, что у вопроса 1 этапа 3: похоже, это копия, которую забыли заменить',
        '3 | 6 | ответы 1 и 2 одинаковы',
        '4 | 7 | номер правильного ответа «7» — не число от 1 до 4',
        `5 | 8 | пустой ответ ${readKey(slipped).answers[47]}`,
        `5 | 8 | правильный ответ ${readKey(slipped).answers[47]} пустой`,
        '6 | 3 | рисунка 9.gif нет в папке рисунков (pics)',
      ]);
      // Row 7 (from 0): question 8 of stage 5, shown in the window.
      assert.match(checked, /^shown: 5 8$/m);
    } finally {
      dropShell(clean);
      dropShell(slipped);
    }
  });

  it('the start page and the page of the question shown opened in the browser', () => {
    const shell = copyShell(SAMPLE);
    try {
      rmSync(record, { force: true });
      assert.match(flow(['--browser', shell, '3', '4']), /PASSED/);
      assert.deepEqual(opened(), [join(shell, 'index.html'), pagePath(shell, 23)]);
    } finally {
      dropShell(shell);
    }
  });

  it('another test opened from the menu is edited, and the first was closed as the exit closes it', () => {
    const first = copyShell(SAMPLE);
    const second = copyShell(SAMPLE);
    // The tests started by the cases above are remembered too: this case begins with none.
    rmSync(join(work, 'settings'), { recursive: true, force: true });
    try {
      const out = flow(['--open', first, second]);
      assert.match(out, /PASSED/);
      assert.match(out, /stages of the other test: 6/);
      assert.equal(readPage(first, 0).text, 'Изменено перед открытием другого теста');
      assert.equal(readPage(second, 11).text, 'Вопрос другого теста');
      for (const [shell, slot] of [[first, 0], [second, 11]]) {
        const changed = listFiles(SAMPLE).filter((f) => !readFileSync(join(SAMPLE, f)).equals(readFileSync(join(shell, f))));
        assert.deepEqual(changed, [relative(shell, pagePath(shell, slot)).replaceAll('\\', '/')]);
      }
      assert.deepEqual(readFileSync(join(work, 'settings', 'test-editor', 'recent-tests.txt'), 'utf8').trim().split('\n'),
        [second, first]);
    } finally {
      dropShell(first);
      dropShell(second);
    }
  });
});
