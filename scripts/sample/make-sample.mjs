#!/usr/bin/env node
// Builds the model test shell (sample/): the root pages, 1.js with the answer key and the quiz
// program (engine.js), six stage folders of ten question pages, and the pictures. The questions
// and settings come from questions.json beside this script (UTF-8); every file is written in
// Windows-1251 with CR LF after each line.
//
//   node scripts/sample/make-sample.mjs [output-folder]   (default: sample/ in the repository)
//
// import-example.txt beside this script is the teachers' example of a text file of questions
// for the editor's import (ten questions that import cleanly into this shell, as a new stage or
// in place of one). A copy goes into the shell's root, so that both downloads carry it beside
// index.html; the editor and the quiz take no file of the root but their own for part of the test.
//
// Every page is a line template: the lines with a meaning have the numbers of layout.mjs, and
// each page ends its line 0 with <plaintext>, so the browser takes all later lines as raw text
// and the quiz program (the tail of 1.js) reads them by number, whatever they contain.

import { copyFileSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { LINES, MAX_STAGES, PER_STAGE, SHAPES, encode1251, keyAnswerLine, pageAnswerLine } from './layout.mjs';
import { makePictures } from './make-pictures.mjs';

const here = dirname(fileURLToPath(import.meta.url));

function writeTable(file, lines, { head, tail }) {
  if (lines.length < head || lines.length > head + tail) {
    throw new Error(`${file}: ${lines.length} lines, the layout allows ${head} to ${head + tail}`);
  }
  for (const line of lines) if (/[\r\n]/.test(line)) throw new Error(`${file}: a line break inside a line`);
  writeFileSync(file, encode1251(lines.map((l) => `${l}\r\n`).join('')));
}

// A template's lines with the values put on their lines; each of those lines is left empty in the
// template (null), so that a template and the layout cannot drift apart unnoticed.
function place(template, values) {
  const lines = [...template];
  for (const [at, value] of Object.entries(values)) {
    if (lines[at] !== null) throw new Error(`line ${at} of the template is not left for a value`);
    lines[at] = value;
  }
  const left = lines.indexOf(null);
  if (left >= 0) throw new Error(`line ${left} of the template has no value`);
  return lines;
}

// ---------------------------------------------------------------- pages

const VIEWPORT = '<meta name="viewport" content="width=device-width, initial-scale=1">';
const opening = (page, title, script) =>
  `<!DOCTYPE html><html lang="ru" data-page="${page}"><head><meta charset="windows-1251">${VIEWPORT}` +
  `<title>${title}</title><script src="${script}"></script></head><body><plaintext>`;

function questionPage(ordinal, q) {
  const template = [
    opening('question', 'Вопрос теста', '../1.js'), null,
    'Рисунок (00 - без рисунка, иначе номер рисунка в папке pics):', null,
    'Вопрос:', null,
    'Ответ 1:', null,
    'Ответ 2:', null,
    'Ответ 3:', null,
    'Ответ 4:', null,
    'Номер правильного ответа на этот вопрос хранится в файле 1.js.',
  ];
  const L = LINES.page;
  const answers = Object.fromEntries(q.answers.map((a, n) => [pageAnswerLine(n + 1), a]));
  return place(template, { [L.ordinal]: String(ordinal), [L.picture]: q.picture ? String(q.picture) : '00', [L.text]: q.text, ...answers });
}

function titlePage(d, stages) {
  const template = [
    opening('title', 'Титульная страница теста', '1.js'),
    'Проверяющий орган:', null,
    'Тестирование по курсу:', null,
    'Число этапов:', null,
    'Длительность теста (мин.):', null,
    'Минимальный процент правильных ответов:', null,
    'Адрес обработчика на сервере:', null,
  ];
  const L = LINES.title;
  return place(template, {
    [L.inspector]: d.inspector, [L.course]: d.course, [L.stages]: String(stages),
    [L.minutes]: d.minutes, [L.pass]: d.pass, [L.handler]: d.handler,
  });
}

function index1Page(d) {
  return place([opening('index1', 'Тестирование по курсу', '1.js'), null], { [LINES.index1.course]: d.course });
}

function indexPage(d) {
  const fallback =
    '<script>window.testShellReady||document.write(\'<p style="font:16px sans-serif;color:#a31d1d;margin:2em">' +
    'Не удалось запустить тест: файл 1.js не найден или повреждён.</p>\')</script>';
  const template = [
    opening('index', 'Тестирование', '1.js').replace('</head>', `${fallback}</head>`),
    'Компьютерное тестирование',
    '',
    'Для прохождения теста нужен браузер с включённым JavaScript.',
    'Тест открывается с этой страницы (index.html).',
    '',
    'Состав тестовой оболочки:',
    'title.html   - титульная страница с параметрами теста;',
    'index1.html  - название курса;',
    '1.js         - ключ ответов, параметры и программа теста;',
    '0 ... 9      - папки этапов теста, в каждой страницы вопросов 0.html ... 9.html;',
    'pics         - рисунки к вопросам.',
    '',
    'Результаты тестирования отправляются на сервер',
    'методом POST по адресу из следующей строки.',
    '',
    'Адрес обработчика результатов:',
    null,
  ];
  return place(template, { [LINES.index.handler]: d.handler });
}

function keyFile(d, stages, answers) {
  const L = LINES.key;
  const template = [
    'function shellKey() {/* Ключ ответов и параметры теста. Программа в конце файла читает эти строки по их номерам (с нуля).',
    null,
    `^ строка ${L.stages}: число этапов теста (от 1 до ${MAX_STAGES})`,
    '',
    null,
    `^ строка ${L.minutes}: длительность теста в минутах`,
    '',
    null,
    `^ строка ${L.pass}: минимальный процент правильных ответов`,
    `Со строки ${L.answers} через строку идут номера правильных ответов (1-4); под каждым подписано, к какому вопросу он относится.`,
  ];
  const slots = PER_STAGE * MAX_STAGES;
  for (let slot = 0; slot < slots; slot++) {
    const where = `^ этап ${Math.floor(slot / PER_STAGE) + 1}, вопрос ${(slot % PER_STAGE) + 1}`;
    template.push(null, slot === slots - 1 ? `${where} */}` : where);
  }
  const values = { [L.stages]: String(stages), [L.minutes]: d.minutes, [L.pass]: d.pass };
  for (let slot = 0; slot < slots; slot++) values[keyAnswerLine(slot)] = answers[slot] ?? '1';
  const engine = readFileSync(join(here, 'engine.js'), 'utf8').trimEnd();
  return [
    ...place(template, values),
    '',
    ...engine.split('\n'),
    `shellEngine(${JSON.stringify({ LINES, PER_STAGE, MAX_STAGES })});`,
  ];
}

// ---------------------------------------------------------------- the shell

export function makeSample(outDir, data = JSON.parse(readFileSync(join(here, 'questions.json'), 'utf8'))) {
  const stages = data.stages.length;
  rmSync(outDir, { recursive: true, force: true });
  mkdirSync(outDir, { recursive: true });
  const answers = [];
  data.stages.forEach((stage, s) => {
    if (stage.questions.length !== PER_STAGE) throw new Error(`stage ${s + 1}: ${stage.questions.length} questions, not ${PER_STAGE}`);
    mkdirSync(join(outDir, String(s)));
    stage.questions.forEach((q, i) => {
      const slot = s * PER_STAGE + i;
      answers[slot] = String(q.right);
      writeTable(join(outDir, String(s), `${i}.html`), questionPage(slot + 1, q), SHAPES.page);
    });
  });
  writeTable(join(outDir, 'title.html'), titlePage(data, stages), SHAPES['title.html']);
  writeTable(join(outDir, 'index1.html'), index1Page(data), SHAPES['index1.html']);
  writeTable(join(outDir, 'index.html'), indexPage(data), SHAPES['index.html']);
  writeTable(join(outDir, '1.js'), keyFile(data, stages, answers), SHAPES['1.js']);
  makePictures(join(outDir, 'pics'));
  copyFileSync(join(here, EXAMPLE), join(outDir, EXAMPLE));
}

// The example of a text file of questions, in the shell's root.
export const EXAMPLE = 'import-example.txt';

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const out = resolve(process.argv[2] || join(here, '..', '..', 'sample'));
  makeSample(out);
  console.log(`model test shell written to ${out}`);
}
