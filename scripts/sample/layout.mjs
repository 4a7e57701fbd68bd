// The layout of a test shell's files as the editor reads them: each file's head lines and tail
// capacity, the lines that carry a value, and the Windows-1251 code page. The model test's
// generator, the quiz program (given the line numbers when it is written into 1.js) and the
// browser tests take them from here.

export const PER_STAGE = 10;
export const MAX_STAGES = 10;

// Head lines and tail capacity of each file.
export const SHAPES = {
  'title.html': { head: 13, tail: 31 },
  'index1.html': { head: 2, tail: 31 },
  'index.html': { head: 18, tail: 31 },
  '1.js': { head: 10 + 2 * PER_STAGE * MAX_STAGES, tail: 401 },
  page: { head: 14, tail: 21 },
};

// The lines that carry a value, by file (0-based). The answer of 1.js's slot i is on line
// key.answers + 2 i; answer n (1..4) of a question page on line page.text + 2 n.
export const LINES = {
  title: { inspector: 2, course: 4, stages: 6, minutes: 8, pass: 10, handler: 12 },
  index1: { course: 1 },
  index: { handler: 17 },
  key: { stages: 1, minutes: 4, pass: 7, answers: 10 },
  page: { ordinal: 1, picture: 3, text: 5 },
};
export const keyAnswerLine = (slot) => LINES.key.answers + 2 * slot;
export const pageAnswerLine = (n) => LINES.page.text + 2 * n;

// ---------------------------------------------------------------- Windows-1251

const decoder = new TextDecoder('windows-1251');
const toByte = new Map();
for (let b = 0x80; b <= 0xff; b++) if (b !== 0x98) toByte.set(decoder.decode(Uint8Array.of(b)), b);

export const decode1251 = (bytes) => decoder.decode(bytes);

export function encode1251(text) {
  return Buffer.from([...text].map((ch) => {
    const c = ch.codePointAt(0);
    const b = c < 0x80 ? c : toByte.get(ch);
    if (b === undefined) throw new Error(`no Windows-1251 code for ${JSON.stringify(ch)}`);
    return b;
  }));
}
