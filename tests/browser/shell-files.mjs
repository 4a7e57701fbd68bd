// Reading and changing a test shell on disk the way the editor does: every text file is a line
// table in Windows-1251, lines are replaced whole by index and written back with CR LF.

import { cpSync, mkdtempSync, readFileSync, readdirSync, renameSync, rmSync, writeFileSync, copyFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { LINES, decode1251, encode1251, keyAnswerLine, pageAnswerLine } from '../../scripts/sample/layout.mjs';

export const REPO = resolve(dirname(fileURLToPath(import.meta.url)), '..', '..');
export const SAMPLE = join(REPO, 'sample');

export { SHAPES, LINES, decode1251, encode1251 } from '../../scripts/sample/layout.mjs';

// Lines as the editor reads them: a line ends at CR LF or a lone CR; a final terminator adds no line.
export function readLines(file) {
  const text = decode1251(readFileSync(file));
  const lines = text.split(/\r\n|\r/);
  if (lines.length > 0 && lines[lines.length - 1] === '') lines.pop();
  return lines;
}

export function writeLines(file, lines) {
  writeFileSync(file, encode1251(lines.map((l) => `${l}\r\n`).join('')));
}

// Replaces whole lines, { index: text }, and writes the file back.
export function setLines(file, changes) {
  const lines = readLines(file);
  for (const [i, text] of Object.entries(changes)) {
    if (Number(i) >= lines.length) throw new Error(`${file} has no line ${i}`);
    lines[Number(i)] = text;
  }
  writeLines(file, lines);
}

export const pagePath = (shell, slot) => join(shell, String(Math.floor(slot / 10)), `${slot % 10}.html`);

// What the key file holds, read by line number.
export function readKey(shell) {
  const lines = readLines(join(shell, '1.js'));
  return {
    stages: lines[LINES.key.stages],
    minutes: lines[LINES.key.minutes],
    pass: lines[LINES.key.pass],
    answers: Array.from({ length: 100 }, (_, i) => lines[keyAnswerLine(i)]),
  };
}

export function setAnswer(shell, slot, text) {
  setLines(join(shell, '1.js'), { [keyAnswerLine(slot)]: text });
}

// The stage count is written into 1.js and title.html together.
export function setStageCount(shell, n) {
  setLines(join(shell, '1.js'), { [LINES.key.stages]: String(n) });
  setLines(join(shell, 'title.html'), { [LINES.title.stages]: String(n) });
}

export function readPage(shell, slot) {
  const l = readLines(pagePath(shell, slot));
  const P = LINES.page;
  return { ordinal: l[P.ordinal], picture: l[P.picture], text: l[P.text], answers: [1, 2, 3, 4].map((n) => l[pageAnswerLine(n)]) };
}

// A new stage: the ten pages of the last stage folder copied byte for byte, answers carried over.
export function addStage(shell) {
  const n = Number(readKey(shell).stages);
  const key = readKey(shell);
  cpSync(join(shell, String(n - 1)), join(shell, String(n)), { recursive: true });
  for (let q = 0; q < 10; q++) setAnswer(shell, n * 10 + q, key.answers[(n - 1) * 10 + q]);
  setStageCount(shell, n + 1);
}

export function removeLastStage(shell) {
  const n = Number(readKey(shell).stages);
  rmSync(join(shell, String(n - 1)), { recursive: true });
  setStageCount(shell, n - 1);
}

// One exchange of mixing: the two page files trade places through a one-digit page in the root,
// and the two answer lines trade places; no line of a page changes.
export function exchangeSlots(shell, a, b) {
  const holder = join(shell, `${a % 10}.html`);
  copyFileSync(pagePath(shell, a), holder);
  copyFileSync(pagePath(shell, b), pagePath(shell, a));
  renameSync(holder, pagePath(shell, b));
  const key = readKey(shell);
  setAnswer(shell, a, key.answers[b]);
  setAnswer(shell, b, key.answers[a]);
}

// A fresh copy of a shell in a temporary folder.
export function copyShell(from = SAMPLE) {
  const dir = join(mkdtempSync(join(tmpdir(), 'shell-')), 'shell');
  cpSync(from, dir, { recursive: true });
  return dir;
}

export function dropShell(dir) {
  rmSync(dirname(dir), { recursive: true, force: true });
}

// Every file under a folder, as paths relative to it with forward slashes.
export function listFiles(dir, prefix = '') {
  return readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? listFiles(join(dir, e.name), `${prefix}${e.name}/`) : [`${prefix}${e.name}`]);
}
