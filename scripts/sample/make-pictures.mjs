#!/usr/bin/env node
// Draws the question pictures of the model test shell: pics/1.gif .. pics/8.gif, 315 x 272 pixels,
// 16-colour GIF89a. Pure Node: a small raster with a 5 x 7 pixel font and an LZW encoder.
//
//   node scripts/sample/make-pictures.mjs [output-folder]   (default: sample/pics)
//
// The output is deterministic, so the committed pictures can be checked against a fresh run.

import { mkdirSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

export const WIDTH = 315;
export const HEIGHT = 272;

// Palette index names; 16 entries, so every pixel is a 4-bit code.
const C = { white: 0, ink: 1, blue: 2, paleBlue: 3, paleYellow: 4, red: 5, green: 6, grey: 7,
  lightGrey: 8, lamp: 9, darkGrey: 10, orange: 11, paleGreen: 12, navy: 13, paleRed: 14, black: 15 };
const PALETTE = [
  [255, 255, 255], [40, 44, 52], [31, 78, 121], [218, 232, 247], [255, 247, 214], [192, 32, 32],
  [30, 130, 60], [128, 128, 128], [224, 226, 230], [255, 204, 0], [90, 90, 90], [230, 120, 20],
  [220, 242, 222], [20, 40, 80], [250, 222, 222], [0, 0, 0],
];

// 5 x 7 glyphs; Cyrillic letters that look like Latin ones share their glyphs.
const GLYPHS = {
  ' ': ['     ', '     ', '     ', '     ', '     ', '     ', '     '],
  '0': [' ### ', '#   #', '#  ##', '# # #', '##  #', '#   #', ' ### '],
  '1': ['  #  ', ' ##  ', '  #  ', '  #  ', '  #  ', '  #  ', ' ### '],
  '2': [' ### ', '#   #', '    #', '   # ', '  #  ', ' #   ', '#####'],
  '3': ['#####', '   # ', '  #  ', '   # ', '    #', '#   #', ' ### '],
  '4': ['   # ', '  ## ', ' # # ', '#  # ', '#####', '   # ', '   # '],
  '5': ['#####', '#    ', '#### ', '    #', '    #', '#   #', ' ### '],
  '6': ['  ## ', ' #   ', '#    ', '#### ', '#   #', '#   #', ' ### '],
  '7': ['#####', '    #', '   # ', '  #  ', ' #   ', ' #   ', ' #   '],
  '8': [' ### ', '#   #', '#   #', ' ### ', '#   #', '#   #', ' ### '],
  '9': [' ### ', '#   #', '#   #', ' ####', '    #', '   # ', ' ##  '],
  A: [' ### ', '#   #', '#   #', '#####', '#   #', '#   #', '#   #'],
  B: ['#### ', '#   #', '#   #', '#### ', '#   #', '#   #', '#### '],
  C: [' ### ', '#   #', '#    ', '#    ', '#    ', '#   #', ' ### '],
  D: ['#### ', '#   #', '#   #', '#   #', '#   #', '#   #', '#### '],
  E: ['#####', '#    ', '#    ', '#### ', '#    ', '#    ', '#####'],
  F: ['#####', '#    ', '#    ', '#### ', '#    ', '#    ', '#    '],
  G: [' ### ', '#   #', '#    ', '# ###', '#   #', '#   #', ' ####'],
  H: ['#   #', '#   #', '#   #', '#####', '#   #', '#   #', '#   #'],
  I: [' ### ', '  #  ', '  #  ', '  #  ', '  #  ', '  #  ', ' ### '],
  K: ['#   #', '#  # ', '# #  ', '##   ', '# #  ', '#  # ', '#   #'],
  L: ['#    ', '#    ', '#    ', '#    ', '#    ', '#    ', '#####'],
  M: ['#   #', '## ##', '# # #', '# # #', '#   #', '#   #', '#   #'],
  N: ['#   #', '#   #', '##  #', '# # #', '#  ##', '#   #', '#   #'],
  O: [' ### ', '#   #', '#   #', '#   #', '#   #', '#   #', ' ### '],
  P: ['#### ', '#   #', '#   #', '#### ', '#    ', '#    ', '#    '],
  R: ['#### ', '#   #', '#   #', '#### ', '# #  ', '#  # ', '#   #'],
  S: [' ####', '#    ', '#    ', ' ### ', '    #', '    #', '#### '],
  T: ['#####', '  #  ', '  #  ', '  #  ', '  #  ', '  #  ', '  #  '],
  U: ['#   #', '#   #', '#   #', '#   #', '#   #', '#   #', ' ### '],
  X: ['#   #', '#   #', ' # # ', '  #  ', ' # # ', '#   #', '#   #'],
  Y: ['#   #', '#   #', ' # # ', '  #  ', '  #  ', '  #  ', '  #  '],
  'Ч': ['#   #', '#   #', '#   #', ' ####', '    #', '    #', '    #'],
  'Л': ['  ###', ' #  #', ' #  #', ' #  #', ' #  #', ' #  #', '##  #'],
  'Ц': ['#  # ', '#  # ', '#  # ', '#  # ', '#  # ', '#####', '    #'],
  'Ы': ['#   #', '#   #', '#   #', '### #', '#  ##', '#  ##', '### #'],
  'Д': [' ### ', ' #  #', ' #  #', ' #  #', ' #  #', '#####', '#   #'],
  'И': ['#   #', '#   #', '#  ##', '# # #', '##  #', '#   #', '#   #'],
  'П': ['#####', '#   #', '#   #', '#   #', '#   #', '#   #', '#   #'],
  ':': ['     ', '  #  ', '  #  ', '     ', '  #  ', '  #  ', '     '],
  '=': ['     ', '     ', '#####', '     ', '#####', '     ', '     '],
  '<': ['   # ', '  #  ', ' #   ', '#    ', ' #   ', '  #  ', '   # '],
  '+': ['     ', '  #  ', '  #  ', '#####', '  #  ', '  #  ', '     '],
  '-': ['     ', '     ', '     ', '#####', '     ', '     ', '     '],
  '&': [' ##  ', '#  # ', '# #  ', ' #   ', '# # #', '#  # ', ' ## #'],
  '.': ['     ', '     ', '     ', '     ', '     ', ' ##  ', ' ##  '],
  '\\': ['     ', '#    ', ' #   ', '  #  ', '   # ', '    #', '     '],
  '?': [' ### ', '#   #', '    #', '   # ', '  #  ', '     ', '  #  '],
};
const SAME_AS_LATIN = { 'А': 'A', 'В': 'B', 'Е': 'E', 'К': 'K', 'Н': 'H', 'О': 'O', 'Р': 'P', 'С': 'C', 'Т': 'T', 'Х': 'X' };

class Raster {
  constructor(w, h, background) {
    this.w = w;
    this.h = h;
    this.px = new Uint8Array(w * h).fill(background);
  }

  dot(x, y, c) {
    x = Math.round(x);
    y = Math.round(y);
    if (x >= 0 && y >= 0 && x < this.w && y < this.h) this.px[y * this.w + x] = c;
  }

  rect(x, y, w, h, c) {
    for (let j = y; j < y + h; j++) for (let i = x; i < x + w; i++) this.dot(i, j, c);
  }

  // A thick line: a t x t square stamped along the Bresenham path.
  line(x0, y0, x1, y1, c, t = 2) {
    x0 = Math.round(x0); y0 = Math.round(y0); x1 = Math.round(x1); y1 = Math.round(y1);
    const dx = Math.abs(x1 - x0), dy = -Math.abs(y1 - y0);
    const sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const off = Math.floor((t - 1) / 2);
    let err = dx + dy;
    for (;;) {
      this.rect(x0 - off, y0 - off, t, t, c);
      if (x0 === x1 && y0 === y1) break;
      const e2 = 2 * err;
      if (e2 >= dy) { err += dy; x0 += sx; }
      if (e2 <= dx) { err += dx; y0 += sy; }
    }
  }

  // Filled polygon by the even-odd rule, sampled at pixel centres.
  polygon(points, c) {
    const ys = points.map((p) => p[1]);
    for (let y = Math.floor(Math.min(...ys)); y <= Math.ceil(Math.max(...ys)); y++) {
      const cy = y + 0.5;
      const xs = [];
      for (let i = 0; i < points.length; i++) {
        const [ax, ay] = points[i];
        const [bx, by] = points[(i + 1) % points.length];
        if ((ay <= cy && by > cy) || (by <= cy && ay > cy)) xs.push(ax + ((cy - ay) * (bx - ax)) / (by - ay));
      }
      xs.sort((a, b) => a - b);
      for (let k = 0; k + 1 < xs.length; k += 2) {
        for (let x = Math.ceil(xs[k] - 0.5); x <= Math.floor(xs[k + 1] - 0.5); x++) this.dot(x, y, c);
      }
    }
  }

  outline(points, c, t = 2) {
    for (let i = 0; i < points.length; i++) {
      const [ax, ay] = points[i];
      const [bx, by] = points[(i + 1) % points.length];
      this.line(ax, ay, bx, by, c, t);
    }
  }

  shape(points, fill, stroke) {
    this.polygon(points, fill);
    this.outline(points, stroke);
  }

  disc(cx, cy, r, c) {
    for (let y = Math.floor(cy - r); y <= Math.ceil(cy + r); y++) {
      for (let x = Math.floor(cx - r); x <= Math.ceil(cx + r); x++) {
        if ((x - cx) ** 2 + (y - cy) ** 2 <= r * r) this.dot(x, y, c);
      }
    }
  }

  circle(cx, cy, r, fill, stroke) {
    this.disc(cx, cy, r, stroke);
    this.disc(cx, cy, r - 2, fill);
  }

  box(x, y, w, h, fill, stroke) {
    this.rect(x, y, w, h, stroke);
    this.rect(x + 2, y + 2, w - 4, h - 4, fill);
  }

  // Rounded terminal (start / end) of a flowchart.
  terminal(cx, cy, w, h, fill, stroke) {
    const r = h / 2;
    this.disc(cx - w / 2 + r, cy, r, stroke);
    this.disc(cx + w / 2 - r, cy, r, stroke);
    this.rect(Math.round(cx - w / 2 + r), Math.round(cy - r), Math.round(w - 2 * r), h + 1, stroke);
    this.disc(cx - w / 2 + r, cy, r - 2, fill);
    this.disc(cx + w / 2 - r, cy, r - 2, fill);
    this.rect(Math.round(cx - w / 2 + r), Math.round(cy - r + 2), Math.round(w - 2 * r), h - 3, fill);
  }

  arrow(x0, y0, x1, y1, c) {
    this.line(x0, y0, x1, y1, c);
    const a = Math.atan2(y1 - y0, x1 - x0);
    const back = (d, s) => [x1 - 9 * Math.cos(a) + s * d * Math.sin(a), y1 - 9 * Math.sin(a) - s * d * Math.cos(a)];
    this.polygon([[x1 + Math.cos(a), y1 + Math.sin(a)], back(4.5, 1), back(4.5, -1)], c);
  }

  static textWidth(s, scale) {
    return [...s].length * 6 * scale - scale;
  }

  text(x, y, s, c, scale = 2) {
    let cx = x;
    for (const ch of s) {
      const g = GLYPHS[ch] || GLYPHS[SAME_AS_LATIN[ch]];
      if (!g) throw new Error(`no glyph for ${JSON.stringify(ch)}`);
      g.forEach((row, j) => {
        for (let i = 0; i < 5; i++) if (row[i] === '#') this.rect(cx + i * scale, y + j * scale, scale, scale, c);
      });
      cx += 6 * scale;
    }
  }

  // Text centred on (cx, cy).
  label(cx, cy, s, c, scale = 2) {
    this.text(Math.round(cx - Raster.textWidth(s, scale) / 2), Math.round(cy - (7 * scale) / 2), s, c, scale);
  }
}

// ---------------------------------------------------------------- GIF89a writer

function lzw(pixels, minCodeSize) {
  const clear = 1 << minCodeSize;
  const eoi = clear + 1;
  const out = [];
  let codeSize = minCodeSize + 1;
  let next = eoi + 1;
  let table = new Map();
  let acc = 0;
  let bits = 0;
  const emit = (code) => {
    acc |= code << bits;
    bits += codeSize;
    while (bits >= 8) {
      out.push(acc & 0xff);
      acc >>>= 8;
      bits -= 8;
    }
  };
  emit(clear);
  let prefix = pixels[0];
  for (let i = 1; i < pixels.length; i++) {
    const k = pixels[i];
    const key = (prefix << 8) | k;
    const known = table.get(key);
    if (known !== undefined) {
      prefix = known;
      continue;
    }
    emit(prefix);
    if (next === 4096) {
      // Table full: start a new one, as the decoder will on the clear code.
      emit(clear);
      table = new Map();
      codeSize = minCodeSize + 1;
      next = eoi + 1;
    } else {
      if (next >= 1 << codeSize) codeSize++;
      table.set(key, next++);
    }
    prefix = k;
  }
  emit(prefix);
  emit(eoi);
  if (bits > 0) out.push(acc & 0xff);
  return out;
}

export function encodeGif(raster) {
  const bytes = [];
  const word = (v) => bytes.push(v & 0xff, v >> 8);
  bytes.push(...Buffer.from('GIF89a', 'ascii'));
  word(raster.w);
  word(raster.h);
  bytes.push(0xf3, 0, 0); // global colour table of 16 entries, 8 bits per primary
  for (const [r, g, b] of PALETTE) bytes.push(r, g, b);
  bytes.push(0x2c);
  word(0);
  word(0);
  word(raster.w);
  word(raster.h);
  bytes.push(0); // no local colour table, not interlaced
  bytes.push(4); // LZW minimum code size for 16 colours
  const data = lzw(raster.px, 4);
  for (let i = 0; i < data.length; i += 255) {
    const chunk = data.slice(i, i + 255);
    bytes.push(chunk.length, ...chunk);
  }
  bytes.push(0, 0x3b);
  return Buffer.from(bytes);
}

// ---------------------------------------------------------------- the pictures

function frame() {
  const r = new Raster(WIDTH, HEIGHT, C.white);
  r.rect(0, 0, WIDTH, 1, C.lightGrey);
  r.rect(0, HEIGHT - 1, WIDTH, 1, C.lightGrey);
  r.rect(0, 0, 1, HEIGHT, C.lightGrey);
  r.rect(WIDTH - 1, 0, 1, HEIGHT, C.lightGrey);
  return r;
}

// 1: flowchart of a loop that sums I for I = 1..4 (S = 10).
function flowchart() {
  const r = frame();
  const x = 105;
  r.terminal(x, 20, 104, 22, C.paleGreen, C.blue);
  r.label(x, 20, 'НАЧАЛО', C.ink);
  r.arrow(x, 31, x, 45, C.blue);
  r.box(x - 66, 46, 132, 26, C.paleBlue, C.blue);
  r.label(x, 59, 'S:=0  I:=1', C.ink);
  r.arrow(x, 72, x, 85, C.blue);
  const diamond = [[x, 86], [x + 58, 110], [x, 134], [x - 58, 110]];
  r.shape(diamond, C.paleYellow, C.blue);
  r.label(x, 110, 'I<=4', C.ink);
  r.arrow(x, 134, x, 151, C.blue);
  r.label(x + 20, 143, 'ДА', C.green);
  r.box(x - 50, 152, 100, 26, C.paleBlue, C.blue);
  r.label(x, 165, 'S:=S+I', C.ink);
  r.arrow(x, 178, x, 193, C.blue);
  r.box(x - 50, 194, 100, 26, C.paleBlue, C.blue);
  r.label(x, 207, 'I:=I+1', C.ink);
  // back edge of the loop
  r.line(x, 220, x, 238, C.blue);
  r.line(x, 238, 20, 238, C.blue);
  r.line(20, 238, 20, 78, C.blue);
  r.arrow(20, 78, x - 2, 78, C.blue);
  // exit of the loop
  r.line(x + 58, 110, 252, 110, C.blue);
  r.label(x + 82, 101, 'НЕТ', C.red);
  r.arrow(252, 110, 252, 139, C.blue);
  r.shape([[206, 140], [310, 140], [298, 166], [194, 166]], C.paleBlue, C.blue);
  r.label(252, 153, 'ВЫВОД S', C.ink);
  r.arrow(252, 166, 252, 187, C.blue);
  r.terminal(252, 199, 96, 22, C.paleGreen, C.blue);
  r.label(252, 199, 'КОНЕЦ', C.ink);
  return r;
}

// Gate of the Russian school notation: a box with its sign, inputs on the left.
function gate(r, x, y, w, h, sign, inverted) {
  r.box(x, y, w, h, C.paleYellow, C.blue);
  r.label(x + w / 2, y + 16, sign, C.ink);
  if (inverted) r.circle(x + w + 5, y + h / 2, 6, C.white, C.blue);
}

// 2: logic circuit F = (A AND B) OR (NOT C).
function logicCircuit() {
  const r = frame();
  r.label(28, 52, 'A', C.ink, 3);
  r.label(28, 112, 'B', C.ink, 3);
  r.label(28, 202, 'C', C.ink, 3);
  gate(r, 90, 40, 56, 86, '&');
  gate(r, 90, 172, 56, 60, '1', true);
  gate(r, 200, 80, 56, 130, '1');
  r.line(42, 52, 90, 52, C.blue);
  r.line(42, 112, 90, 112, C.blue);
  r.line(42, 202, 90, 202, C.blue);
  r.line(146, 83, 172, 83, C.blue);
  r.line(172, 83, 172, 115, C.blue);
  r.line(172, 115, 200, 115, C.blue);
  r.line(157, 202, 172, 202, C.blue);
  r.line(172, 202, 172, 175, C.blue);
  r.line(172, 175, 200, 175, C.blue);
  r.line(256, 145, 282, 145, C.blue);
  r.label(298, 145, 'F', C.ink, 3);
  for (const [x, y] of [[42, 52], [42, 112], [42, 202]]) r.disc(x, y, 3, C.blue);
  return r;
}

// 3: truth table of F with F = NOT X OR Y.
function truthTable() {
  const r = frame();
  const cols = [72, 158, 244];
  const top = 30, rowH = 42, colW = 86, left = 29;
  r.rect(left, top, colW * 3, rowH, C.paleBlue);
  ['X', 'Y', 'F'].forEach((h, i) => r.label(cols[i], top + rowH / 2, h, C.navy, 3));
  const rows = [[0, 0, 1], [0, 1, 1], [1, 0, 0], [1, 1, 1]];
  rows.forEach((row, j) => {
    const y = top + rowH * (j + 1);
    if (j % 2 === 1) r.rect(left, y, colW * 3, rowH, C.lightGrey);
    row.forEach((v, i) => r.label(cols[i], y + rowH / 2, String(v), i === 2 ? C.red : C.ink, 3));
  });
  for (let j = 0; j <= 5; j++) r.rect(left, top + rowH * j, colW * 3, 2, C.blue);
  for (let i = 0; i <= 3; i++) r.rect(left + colW * i, top, 2, rowH * 5 + 2, C.blue);
  return r;
}

// 4: a byte as a row of lamps and bits with their place values: 10110101.
function byteCells() {
  const r = frame();
  const bits = [1, 0, 1, 1, 0, 1, 0, 1];
  const cell = 36, left = Math.round((WIDTH - cell * 8) / 2);
  bits.forEach((b, i) => {
    const x = left + i * cell;
    const cx = x + cell / 2;
    r.circle(cx, 62, 12, b ? C.lamp : C.lightGrey, C.darkGrey);
    if (b) r.disc(cx - 4, 58, 3, C.paleYellow);
    r.box(x, 96, cell, 56, b ? C.paleBlue : C.white, C.blue);
    r.label(cx, 124, String(b), C.ink, 4);
    const weight = String(2 ** (7 - i));
    r.label(cx, 176, weight, C.navy);
  });
  r.rect(left, 196, cell * 8, 2, C.lightGrey);
  r.label(WIDTH / 2, 226, 'X = ?', C.ink, 3);
  return r;
}

function computer(r, cx, cy) {
  r.box(cx - 18, cy - 16, 36, 26, C.paleBlue, C.ink);
  r.rect(cx - 3, cy + 10, 6, 6, C.ink);
  r.rect(cx - 12, cy + 16, 24, 3, C.ink);
}

// 5: star topology, six computers around a switch.
function starNetwork() {
  const r = frame();
  const cx = WIDTH / 2, cy = 138;
  const spots = [];
  for (let i = 0; i < 6; i++) {
    const a = -Math.PI / 2 + (i * Math.PI) / 3;
    spots.push([cx + 118 * Math.cos(a), cy + 100 * Math.sin(a)]);
  }
  for (const [x, y] of spots) r.line(cx, cy, x, y, C.blue, 3);
  for (const [x, y] of spots) computer(r, x, y);
  r.box(cx - 34, cy - 16, 68, 32, C.orange, C.ink);
  for (let i = 0; i < 6; i++) r.rect(cx - 25 + i * 9, cy + 4, 5, 5, C.ink);
  r.rect(cx - 25, cy - 8, 50, 3, C.paleYellow);
  return r;
}

// 6: roads between towns A..E with their lengths; shortest A..E is 10 (A-B-C-D-E).
function roadGraph() {
  const r = frame();
  const at = { A: [38, 136], B: [120, 50], C: [148, 150], D: [226, 70], E: [280, 196] };
  const roads = [['A', 'B', 3], ['A', 'C', 7], ['B', 'C', 2], ['B', 'D', 6], ['C', 'D', 3], ['C', 'E', 8], ['D', 'E', 2]];
  for (const [p, q] of roads) r.line(...at[p], ...at[q], C.grey, 3);
  for (const [p, q, len] of roads) {
    const [x0, y0] = at[p], [x1, y1] = at[q];
    const mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
    r.rect(Math.round(mx - 10), Math.round(my - 10), 20, 20, C.white);
    r.label(mx, my, String(len), C.red);
  }
  for (const [name, [x, y]] of Object.entries(at)) {
    r.circle(x, y, 17, C.paleBlue, C.blue);
    r.label(x, y, name, C.navy, 3);
  }
  return r;
}

function folder(r, x, y) {
  r.rect(x, y, 10, 4, C.orange);
  r.rect(x, y + 3, 20, 13, C.orange);
  r.rect(x + 2, y + 6, 16, 8, C.paleYellow);
}

function fileIcon(r, x, y) {
  r.box(x + 2, y, 15, 18, C.white, C.darkGrey);
  for (let k = 0; k < 3; k++) r.rect(x + 5, y + 5 + k * 4, 9, 1, C.grey);
}

// 7: folder tree of drive C:.
function folderTree() {
  const r = frame();
  const rows = [
    [0, 'C:\\', 'drive'], [1, 'SCHOOL', 'folder'], [2, 'INFO', 'folder'], [3, 'TEST.TXT', 'file'],
    [2, 'MATH', 'folder'], [3, 'PLAN.DOC', 'file'], [1, 'GAMES', 'folder'], [2, 'CHESS.EXE', 'file'],
  ];
  const step = 30, top = 16, indent = 36;
  const last = {};
  rows.forEach(([depth, name, kind], i) => {
    const x = 20 + depth * indent, y = top + i * step;
    if (depth > 0) {
      const px = 20 + (depth - 1) * indent + 10;
      r.line(px, (last[depth - 1] ?? y) + 20, px, y + 9, C.grey, 1);
      r.line(px, y + 9, x - 3, y + 9, C.grey, 1);
    }
    last[depth] = y;
    if (kind === 'drive') {
      r.box(x, y + 1, 24, 16, C.lightGrey, C.darkGrey);
      r.rect(x + 16, y + 11, 4, 2, C.green);
    } else if (kind === 'folder') folder(r, x, y + 1);
    else fileIcon(r, x, y);
    r.text(x + 30, y + 2, name, kind === 'file' ? C.ink : C.navy);
  });
  return r;
}

// 8: black-and-white 8 x 8 raster picture, enlarged, with its grid.
function rasterGrid() {
  const r = frame();
  const art = ['..####..', '.#....#.', '#.#..#.#', '#......#', '#.#..#.#', '#..##..#', '.#....#.', '..####..'];
  const cell = 28, left = Math.round((WIDTH - cell * 8) / 2), top = 18;
  art.forEach((row, j) => {
    [...row].forEach((v, i) => r.rect(left + i * cell, top + j * cell, cell, cell, v === '#' ? C.black : C.white));
  });
  for (let k = 0; k <= 8; k++) {
    r.rect(left + k * cell, top, 1, cell * 8 + 1, C.grey);
    r.rect(left, top + k * cell, cell * 8 + 1, 1, C.grey);
  }
  r.label(WIDTH / 2, top + cell * 8 + 14, '8', C.navy);
  r.label(left - 14, top + cell * 4, '8', C.navy);
  return r;
}

export const PICTURES = [flowchart, logicCircuit, truthTable, byteCells, starNetwork, roadGraph, folderTree, rasterGrid];

export function makePictures(outDir) {
  mkdirSync(outDir, { recursive: true });
  PICTURES.forEach((draw, i) => writeFileSync(join(outDir, `${i + 1}.gif`), encodeGif(draw())));
  return PICTURES.length;
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const here = dirname(fileURLToPath(import.meta.url));
  const out = resolve(process.argv[2] || join(here, '..', '..', 'sample', 'pics'));
  const n = makePictures(out);
  console.log(`${n} pictures written to ${out}`);
}
