// The model test shell in sample/ against the line layout the editor relies on.

import { describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync, mkdtempSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { SHAPES, SAMPLE, REPO, listFiles, readLines, readKey, readPage } from './shell-files.mjs';

// The example of a text file of questions for the import lies in the root beside the test; it is
// no file of the test.
const EXAMPLE = 'import-example.txt';
const files = listFiles(SAMPLE).sort();
const testFiles = files.filter((f) => f !== EXAMPLE);
const stageFolders = [...new Set(files.filter((f) => /^\d\//.test(f)).map((f) => f[0]))].sort();
const pictures = files.filter((f) => f.startsWith('pics/')).map((f) => f.slice(5));
const slots = stageFolders.length * 10;

function layoutOf(file) {
  if (/^\d\/\d\.html$/.test(file)) return SHAPES.page;
  return SHAPES[file];
}

describe('files of the model shell', () => {
  it('are the root pages, 1.js, six stage folders of ten pages and the pictures, and the example of questions', () => {
    const expected = ['1.js', 'index.html', 'index1.html', 'title.html', EXAMPLE];
    for (let s = 0; s < 6; s++) for (let q = 0; q < 10; q++) expected.push(`${s}/${q}.html`);
    for (let n = 1; n <= pictures.length; n++) expected.push(`pics/${n}.gif`);
    assert.deepEqual(files, expected.sort());
    assert.deepEqual(stageFolders, ['0', '1', '2', '3', '4', '5']);
    // The editor's root clean-up deletes "?.html" files in the root and its picture list reads "?.gif".
    assert.ok(files.filter((f) => !f.includes('/')).every((f) => !/^.\.html$/.test(f) && !f.endsWith('.gif')));
  });

  it('each text file has its head lines and fits its tail, in Windows-1251 with CR LF only', () => {
    for (const file of testFiles.filter((f) => !f.endsWith('.gif'))) {
      const bytes = readFileSync(join(SAMPLE, file));
      const { head, tail } = layoutOf(file);
      assert.ok(!bytes.includes(0x98), `${file}: byte 0x98 is not a Windows-1251 character`);
      for (let i = 0; i < bytes.length; i++) {
        if (bytes[i] === 0x0d) assert.equal(bytes[i + 1], 0x0a, `${file}: CR without LF at byte ${i}`);
        if (bytes[i] === 0x0a) assert.equal(bytes[i - 1], 0x0d, `${file}: LF without CR at byte ${i}`);
        if (bytes[i] < 0x20 && bytes[i] !== 0x0d && bytes[i] !== 0x0a && bytes[i] !== 0x09) assert.fail(`${file}: control byte ${bytes[i]} at ${i}`);
      }
      assert.equal(bytes.at(-1), 0x0a, `${file}: the last line ends with CR LF`);
      const lines = readLines(join(SAMPLE, file));
      assert.ok(lines.length >= head && lines.length <= head + tail, `${file}: ${lines.length} lines, allowed ${head}..${head + tail}`);
    }
  });

  it('question pages: ordinal, picture, text and four distinct answers on their lines', () => {
    for (let slot = 0; slot < slots; slot++) {
      const p = readPage(SAMPLE, slot);
      assert.equal(p.ordinal, String(slot + 1), `slot ${slot}: ordinal line`);
      assert.ok(p.picture === '00' || pictures.includes(`${p.picture}.gif`), `slot ${slot}: picture line ${JSON.stringify(p.picture)}`);
      assert.ok(p.text.trim().length > 10, `slot ${slot}: question text`);
      assert.ok(p.answers.every((a) => a.trim().length > 0), `slot ${slot}: empty answer`);
      assert.equal(new Set(p.answers).size, 4, `slot ${slot}: answers repeat`);
    }
  });

  it('the answer key names one of the four answers for each question, spread over 1..4', () => {
    const { answers } = readKey(SAMPLE);
    const count = { 1: 0, 2: 0, 3: 0, 4: 0 };
    for (let slot = 0; slot < slots; slot++) {
      assert.match(answers[slot], /^[1-4]$/, `slot ${slot}`);
      count[answers[slot]]++;
    }
    for (const n of [1, 2, 3, 4]) assert.ok(count[n] >= 10, `answer ${n} is right only ${count[n]} times`);
    // Slots of stages not in the test still hold one answer line each.
    assert.ok(answers.slice(slots).every((a) => a !== undefined));
  });

  it('pictures are 315 x 272 GIFs numbered from 1 without gaps, at most 9, each used by a question', () => {
    assert.ok(pictures.length >= 5 && pictures.length <= 9);
    const used = new Set();
    for (let slot = 0; slot < slots; slot++) used.add(readPage(SAMPLE, slot).picture);
    pictures.forEach((name, i) => {
      assert.equal(name, `${i + 1}.gif`);
      const b = readFileSync(join(SAMPLE, 'pics', name));
      assert.equal(b.subarray(0, 6).toString('latin1'), 'GIF89a', name);
      assert.deepEqual([b.readUInt16LE(6), b.readUInt16LE(8)], [315, 272], name);
      assert.equal(b.at(-1), 0x3b, `${name}: GIF trailer`);
      assert.ok(used.has(String(i + 1)), `${name} is not used`);
    });
  });

  it('the settings agree between title.html, index1.html, index.html and 1.js', () => {
    const title = readLines(join(SAMPLE, 'title.html'));
    const index1 = readLines(join(SAMPLE, 'index1.html'));
    const index = readLines(join(SAMPLE, 'index.html'));
    const key = readKey(SAMPLE);
    assert.equal(key.stages, '6');
    assert.equal(title[6], key.stages);
    assert.equal(title[8], key.minutes);
    assert.equal(title[10], key.pass);
    assert.match(key.minutes, /^\d+$/);
    assert.match(key.pass, /^\d+$/);
    assert.equal(index1[1], title[4]);
    assert.equal(index[17], title[12]);
    assert.match(title[12], /^https?:\/\/\S+$/);
    assert.ok(title[2].length > 0 && title[4].length > 0);
  });
});

describe('generators', () => {
  it('reproduce the committed shell byte for byte', async () => {
    const { makeSample } = await import(join(REPO, 'scripts', 'sample', 'make-sample.mjs'));
    const dir = mkdtempSync(join(tmpdir(), 'sample-'));
    try {
      makeSample(join(dir, 'sample'));
      const made = listFiles(join(dir, 'sample')).sort();
      assert.deepEqual(made, files);
      for (const f of files) {
        assert.ok(readFileSync(join(dir, 'sample', f)).equals(readFileSync(join(SAMPLE, f))), `${f} differs from a fresh run`);
        assert.ok(statSync(join(SAMPLE, f)).isFile());
      }
    } finally {
      rmSync(dir, { recursive: true, force: true });
    }
  });
});
