// The quiz program of the model test, written into the tail of 1.js after the answer key.
// index.html runs the test; the other pages load 1.js only to pass their lines to index.html.
// The line numbers it reads come from scripts/sample/layout.mjs, as the argument of its call.
/* global shellKey */
/* exported shellEngine */
function shellEngine(layout) {
  'use strict';
  const { LINES, PER_STAGE, MAX_STAGES } = layout;
  window.testShellReady = true;
  const doc = document;
  const role = doc.documentElement.getAttribute('data-page') || '';

  // shellKey() starts at line 0 of this file and its comment runs to line 209, so line n of its
  // source is line n of 1.js. Values are read by line number and may hold any text but the comment end.
  const keyLines = String(shellKey).split(/\r\n|\r|\n/);
  const keyLine = (n) => keyLines[n] ?? '';
  function number(text) {
    const t = String(text ?? '').trim().replace(',', '.');
    return /^[+-]?(\d+(\.\d*)?|\.\d+)$/.test(t) ? Number(t) : NaN;
  }
  const key = {
    stages: Math.min(MAX_STAGES, Math.max(0, Math.trunc(number(keyLine(LINES.key.stages))) || 0)),
    minutes: number(keyLine(LINES.key.minutes)),
    pass: number(keyLine(LINES.key.pass)),
    answer: (slot) => keyLine(LINES.key.answers + 2 * slot).trim(),
  };

  // Each page ends its line 0 with <plaintext>: everything after it is raw text to the HTML parser
  // (markup and entities included), so text line n of that element is line n of the file.
  function ownLines() {
    const holder = doc.querySelector('plaintext');
    return holder ? holder.textContent.split('\n') : [];
  }

  const css = [
    'plaintext{display:none}',
    '*{box-sizing:border-box}',
    'body{margin:0;background:#eef2f7;color:#1d2733;font:16px/1.5 "Segoe UI",Tahoma,"DejaVu Sans",Arial,sans-serif}',
    '.bar{background:#1f4e79;color:#fff;padding:10px 24px;display:flex;align-items:center;gap:18px;box-shadow:0 2px 4px rgba(0,0,0,.2)}',
    '.bar .course{flex:1;font-weight:600}.bar .who{opacity:.85;font-size:14px}',
    '.bar .timer{font-variant-numeric:tabular-nums;background:rgba(255,255,255,.16);padding:2px 14px;border-radius:14px}',
    '.bar .timer.low{background:#c0392b}',
    '.app{max-width:840px;margin:28px auto;padding:0 16px}',
    '.card{background:#fff;border:1px solid #d5dde8;border-radius:8px;padding:28px 34px;box-shadow:0 1px 3px rgba(0,0,0,.06)}',
    '.kicker{margin:0;color:#5a6b7d;text-transform:uppercase;letter-spacing:.06em;font-size:13px}',
    'h1{margin:4px 0 22px;font-size:28px;line-height:1.25;color:#1f4e79;overflow-wrap:anywhere}',
    'h2{margin:0 0 14px;font-size:21px;color:#1f4e79}',
    '.facts{display:grid;grid-template-columns:max-content 1fr;gap:8px 24px;margin:0 0 22px}',
    '.facts dt{color:#5a6b7d}.facts dd{margin:0;font-weight:600;overflow-wrap:anywhere}',
    '.rules{background:#f5f8fc;border-left:4px solid #1f4e79;margin:0 0 22px;padding:10px 16px 10px 34px;font-size:15px}',
    '.field{display:block;margin:0 0 14px}.field span{display:block;font-size:14px;color:#5a6b7d;margin-bottom:2px}',
    '.field input{width:100%;max-width:380px;padding:8px 10px;font:inherit;border:1px solid #b8c4d2;border-radius:4px}',
    '.btn{font:inherit;font-weight:600;background:#1f4e79;color:#fff;border:0;border-radius:4px;padding:10px 24px;cursor:pointer;text-decoration:none;display:inline-block}',
    '.btn:hover{background:#173d60}.btn:disabled{background:#9fb1c4;cursor:default}',
    '.progress{height:6px;background:#dbe3ec;border-radius:3px;margin:0 0 18px;overflow:hidden}',
    '.progress i{display:block;height:100%;background:#2e7d32}',
    '.where{color:#5a6b7d;font-size:14px;margin:0 0 4px}',
    '.qtext{font-size:19px;margin:0 0 18px;white-space:pre-wrap;overflow-wrap:anywhere}',
    'figure{margin:0 0 18px;text-align:center}figure img{border:1px solid #d5dde8;border-radius:4px;max-width:100%;height:auto}',
    '.answers{list-style:none;margin:0 0 22px;padding:0}',
    '.answers label{display:flex;gap:12px;align-items:baseline;border:1px solid #d5dde8;border-radius:6px;padding:10px 14px;margin:0 0 8px;cursor:pointer}',
    '.answers label:hover{background:#f3f7fc}.answers label:has(input:checked){border-color:#1f4e79;background:#e6eff9}',
    '.answers .num{font-weight:700;color:#1f4e79}.answers .text{white-space:pre-wrap;overflow-wrap:anywhere}',
    '.verdict{font-size:24px;font-weight:700;padding:12px 18px;border-radius:6px;margin:0 0 18px}',
    '.verdict.ok{background:#e3f3e6;color:#1e6b30}.verdict.bad{background:#fbe5e5;color:#a31d1d}.verdict.none{background:#f1f3f6}',
    'table.stages{border-collapse:collapse;margin:6px 0 18px}table.stages th,table.stages td{border:1px solid #d5dde8;padding:4px 14px;text-align:center}',
    'table.stages th{background:#f5f8fc;font-weight:600}',
    '.note{color:#5a6b7d;font-size:14px;margin:14px 0 0;overflow-wrap:anywhere}.error{color:#a31d1d}',
    'iframe.loader{position:absolute;width:0;height:0;border:0;visibility:hidden}',
  ];
  doc.head.append(Object.assign(doc.createElement('style'), { textContent: css.join('\n') }));

  // Element builder; strings become text nodes, so page text is shown as it is written.
  function h(tag, attrs, ...kids) {
    const e = doc.createElement(tag);
    for (const [k, v] of Object.entries(attrs || {})) if (v !== null && v !== undefined && v !== false) e.setAttribute(k, v === true ? '' : v);
    for (const k of kids.flat()) if (k !== null && k !== undefined && k !== false) e.append(k);
    return e;
  }
  const line = (lines, n) => lines[n] ?? '';
  // A text line as the editor's field shows it: a decimal character reference without leading
  // zeros that names a character beyond Windows-1251 ("&#8730;"), the form in which the editor
  // writes such a character, is that character; everything else, other references included, is
  // shown as written.
  const codePage = new TextDecoder('windows-1251').decode(Uint8Array.from({ length: 96 }, (_, i) => 0xa0 + i));
  const shown = (text) => text.replace(/&#([1-9][0-9]{0,7});/g, (ref, digits) => {
    const c = Number(digits);
    const beyond = c > 0x9f && c <= 0x10ffff && (c < 0xd800 || c > 0xdfff) && !codePage.includes(String.fromCodePoint(c));
    return beyond ? String.fromCodePoint(c) : ref;
  });
  const fact = (label, text, field) => [h('dt', {}, label), h('dd', { 'data-field': field }, text)];
  const mmss = (ms) => { const s = Math.ceil(ms / 1000); return `${Math.floor(s / 60)}:${String(s % 60).padStart(2, '0')}`; };

  function titleCard(t) {
    return h('section', { class: 'card', 'data-screen': 'title' },
      h('p', { class: 'kicker' }, 'Тестирование по курсу'),
      h('h1', { 'data-field': 'course' }, shown(line(t, LINES.title.course))),
      h('dl', { class: 'facts' },
        fact('Проверяющий орган', shown(line(t, LINES.title.inspector)), 'inspector'),
        fact('Число этапов', line(t, LINES.title.stages), 'stages'),
        fact('Вопросов в каждом этапе', String(PER_STAGE), 'per-stage'),
        fact('Длительность теста, мин.', line(t, LINES.title.minutes), 'minutes'),
        fact('Минимальный процент правильных ответов', line(t, LINES.title.pass), 'pass')));
  }

  // The question as its page gives it: line 3 picture, line 5 text, lines 7, 9, 11, 13 answers.
  function questionCard(lines, at, picsFolder) {
    const card = h('section', { class: 'card', 'data-screen': 'question', 'data-slot': at.slot, 'data-stage': at.stage, 'data-question': at.question },
      h('p', { class: 'where' }, `Этап ${at.stage} из ${at.stages} · вопрос ${at.question} из ${PER_STAGE}`),
      h('div', { class: 'progress' }, h('i', { style: `width:${Math.round((100 * at.slot) / (at.stages * PER_STAGE))}%` })),
      h('h2', {}, `Вопрос ${at.slot + 1}`),
      h('p', { class: 'qtext', 'data-field': 'text' }, shown(line(lines, LINES.page.text))));
    const ready = () => card.setAttribute('data-ready', '1');
    const picture = line(lines, LINES.page.picture).trim();
    if (picture !== '' && picture !== '00') {
      const img = h('img', { alt: 'Рисунок к вопросу', 'data-picture': picture });
      const fig = h('figure', { hidden: true }, img);
      img.addEventListener('load', () => { fig.hidden = false; ready(); });
      img.addEventListener('error', () => { fig.remove(); ready(); });
      img.src = `${picsFolder}${encodeURIComponent(picture)}.gif`;
      card.append(fig);
    } else ready();
    const list = h('ol', { class: 'answers' });
    for (let n = 1; n <= 4; n++) {
      list.append(h('li', {}, h('label', {},
        h('input', { type: 'radio', name: 'answer', value: n }),
        h('span', { class: 'num' }, `${n}.`),
        h('span', { class: 'text', 'data-field': `answer${n}` }, shown(line(lines, LINES.page.text + 2 * n))))));
    }
    card.append(list);
    return card;
  }

  function runTest() {
    const handler = line(ownLines(), LINES.index.handler).trim();
    const app = h('main', { class: 'app' });
    const course = h('div', { class: 'course' }, 'Тестирование');
    const who = h('div', { class: 'who' });
    const timer = h('div', { class: 'timer', hidden: true, 'data-field': 'timer' });
    doc.body.append(h('header', { class: 'bar' }, course, who, timer), app);
    const show = (node) => app.replaceChildren(node);
    const state = { chosen: [], title: [], student: '', group: '', over: false };
    show(h('section', { class: 'card' }, h('p', {}, 'Загрузка теста...')));

    // Pages are read through a hidden frame: the page posts its lines back (see the end of this file).
    let frame = null, waiting = null;
    window.addEventListener('message', (e) => {
      const d = e.data;
      if (!waiting || !frame || e.source !== frame.contentWindow || !d || d.testShell !== 1 || !Array.isArray(d.lines)) return;
      settle(d.lines.map(String));
    });
    function settle(lines) {
      const w = waiting;
      if (!w) return;
      waiting = null;
      clearTimeout(w.timer);
      if (frame) frame.remove();
      frame = null;
      w.done(lines);
    }
    function loadPage(url, done) {
      if (frame) frame.remove();
      waiting = { done, timer: setTimeout(() => settle(null), 10000) };
      frame = h('iframe', { class: 'loader', title: 'loader', tabindex: '-1', 'aria-hidden': 'true' });
      // A missing or broken page never reports; give up on it a little after it has loaded.
      frame.addEventListener('load', () => { if (waiting) { clearTimeout(waiting.timer); waiting.timer = setTimeout(() => settle(null), 3000); } });
      frame.src = url;
      doc.body.append(frame);
    }

    loadPage('title.html', (title) => loadPage('index1.html', (top) => {
      state.title = title || [];
      const name = shown(top ? line(top, LINES.index1.course) : line(state.title, LINES.title.course));
      course.textContent = name ? `Тестирование по курсу «${name}»` : 'Тестирование';
      doc.title = name ? `Тест: ${name}` : 'Тестирование';
      showTitle(title);
    }));

    function showTitle(title) {
      const card = titleCard(state.title);
      if (!title) card.append(h('p', { class: 'error' }, 'Не удалось прочитать титульную страницу title.html.'));
      const limit = key.minutes > 0 ? `На весь тест отводится ${key.minutes} мин.; по истечении времени тест завершается автоматически.` : 'Время прохождения теста не ограничено.';
      card.append(h('ol', { class: 'rules' },
        h('li', {}, `Тест состоит из ${key.stages} ${key.stages === 1 ? 'этапа' : 'этапов'} по ${PER_STAGE} вопросов; этапы проходятся по порядку.`),
        h('li', {}, 'Вопросы показываются по одному. Выберите один из четырёх ответов и нажмите «Ответить»; вернуться к предыдущему вопросу нельзя.'),
        h('li', {}, limit)));
      if (key.stages < 1) {
        card.append(h('p', { class: 'error' }, 'В тесте нет ни одного этапа: пройти его нельзя.'));
        return show(card);
      }
      const student = h('input', { id: 'student', autocomplete: 'name', maxlength: '100' });
      const group = h('input', { id: 'group', maxlength: '40' });
      const start = h('button', { class: 'btn', id: 'start', type: 'submit' }, 'Начать тестирование');
      const hint = h('p', { class: 'error', hidden: true }, 'Введите фамилию и имя.');
      const form = h('form', { autocomplete: 'off' },
        h('label', { class: 'field' }, h('span', {}, 'Фамилия и имя'), student),
        h('label', { class: 'field' }, h('span', {}, 'Класс (группа)'), group), hint, start);
      form.addEventListener('submit', (e) => {
        e.preventDefault();
        if (!student.value.trim()) { hint.hidden = false; return student.focus(); }
        state.student = student.value.trim();
        state.group = group.value.trim();
        who.textContent = [state.student, state.group].filter(Boolean).join(', ');
        begin();
      });
      card.append(form);
      show(card);
      student.focus();
    }

    function begin() {
      state.started = Date.now();
      state.total = key.stages * PER_STAGE;
      if (key.minutes > 0) {
        state.deadline = state.started + key.minutes * 60000;
        state.ticker = setInterval(tick, 250);
        timer.hidden = false;
        tick();
      }
      ask(0);
    }

    function tick() {
      if (state.over) return;
      const left = Math.max(0, state.deadline - Date.now());
      timer.textContent = `Осталось ${mmss(left)}`;
      timer.classList.toggle('low', left < 60000);
      if (left <= 0) finish('timeout');
    }

    // The slot is where the page sits (folder digit, page digit), never what its line 1 says.
    function ask(slot) {
      if (state.over) return;
      if (slot >= state.total) return finish('complete');
      const at = { slot, stage: Math.floor(slot / PER_STAGE) + 1, question: (slot % PER_STAGE) + 1, stages: key.stages };
      const file = `${at.stage - 1}/${at.question - 1}.html`;
      loadPage(file, (lines) => {
        if (state.over) return;
        const card = questionCard(lines || [], at, 'pics/');
        const next = h('button', { class: 'btn', id: 'next', type: 'button', disabled: !!lines }, lines ? 'Ответить' : 'Следующий вопрос');
        if (!lines) {
          card.querySelector('.answers').replaceWith(h('p', { class: 'error' }, `Не удалось открыть страницу вопроса ${file}; вопрос засчитывается как неверный.`));
        }
        card.addEventListener('change', () => { next.disabled = false; });
        next.addEventListener('click', () => {
          const picked = card.querySelector('input[name=answer]:checked');
          next.disabled = true;
          state.chosen[slot] = picked ? Number(picked.value) : 0;
          ask(slot + 1);
        });
        card.append(next);
        show(card);
      });
    }

    function finish(reason) {
      if (state.over) return;
      state.over = true;
      clearInterval(state.ticker);
      timer.hidden = true;
      if (waiting) { clearTimeout(waiting.timer); waiting = null; }
      if (frame) { frame.remove(); frame = null; }
      const marks = [];
      for (let slot = 0; slot < state.total; slot++) marks.push(state.chosen[slot] > 0 && String(state.chosen[slot]) === key.answer(slot) ? 1 : 0);
      const right = marks.reduce((a, b) => a + b, 0);
      const percent = Math.floor((right * 100) / state.total);
      const passed = Number.isFinite(key.pass) ? right * 100 >= key.pass * state.total : null;
      const elapsed = Math.round((Date.now() - state.started) / 1000);
      const card = h('section', { class: 'card', 'data-screen': 'result', 'data-right': right, 'data-total': state.total, 'data-percent': percent, 'data-passed': passed === null ? '' : passed ? '1' : '0', 'data-reason': reason },
        h('p', { class: 'kicker' }, 'Результат тестирования'),
        h('h1', {}, state.student),
        reason === 'timeout' ? h('p', { class: 'error' }, 'Время тестирования истекло. Вопросы без ответа засчитаны как неверные.') : null,
        h('div', { class: `verdict ${passed === null ? 'none' : passed ? 'ok' : 'bad'}` },
          passed === null ? 'Проходной процент не задан' : passed ? 'Тест пройден' : 'Тест не пройден'),
        h('dl', { class: 'facts' },
          fact('Правильных ответов', `${right} из ${state.total}`, 'right'),
          fact('Процент правильных ответов', `${percent} %`, 'percent'),
          fact('Минимальный процент', Number.isFinite(key.pass) ? `${key.pass} %` : '—', 'pass'),
          fact('Затрачено времени', mmss(elapsed * 1000), 'elapsed')));
      const rows = [];
      for (let s = 0; s < key.stages; s++) rows.push(h('tr', {}, h('td', {}, String(s + 1)), h('td', {}, String(marks.slice(s * PER_STAGE, (s + 1) * PER_STAGE).reduce((a, b) => a + b, 0)))));
      card.append(h('table', { class: 'stages' }, h('tr', {}, h('th', {}, 'Этап'), h('th', {}, 'Правильных ответов из 10')), rows));
      const fields = {
        course: line(state.title, LINES.title.course), inspector: line(state.title, LINES.title.inspector), student: state.student, group: state.group,
        stages: key.stages, questions: state.total, right, percent, pass: keyLine(LINES.key.pass).trim(), passed: passed === null ? '' : passed ? 1 : 0,
        minutes: keyLine(LINES.key.minutes).trim(), elapsed, finished: reason, date: new Date(Date.now()).toISOString(),
        answers: Array.from({ length: state.total }, (_, i) => state.chosen[i] || 0).join(','),
        marks: marks.join(''),
      };
      card.append(h('p', { class: 'note', 'data-field': 'sent' }, send(fields)));
      show(card);
    }

    // The results go to the handler of index.html line 17 as an HTML form, into a hidden frame so
    // that the result stays on the screen.
    function send(fields) {
      if (!handler) return 'Адрес обработчика результатов не задан: результаты на сервер не отправлены.';
      if (/^[\s\x00-\x1f]*(javascript|data|vbscript):/i.test(handler)) return 'Адрес обработчика результатов недопустим: результаты не отправлены.';
      const sink = h('iframe', { class: 'loader', name: 'result-sink', title: 'result' });
      const form = h('form', { method: 'post', action: handler, target: 'result-sink', hidden: true },
        Object.entries(fields).map(([name, value]) => h('input', { type: 'hidden', name, value: String(value) })));
      doc.body.append(sink, form);
      form.submit();
      return `Результаты переданы на сервер: ${handler}`;
    }
  }

  // A page opened by itself, not by the test: show what it holds.
  function preview() {
    const lines = ownLines();
    const app = h('main', { class: 'app' });
    doc.body.append(h('header', { class: 'bar' }, h('div', { class: 'course' }, 'Просмотр страницы теста')), app);
    const toStart = (href) => h('p', {}, h('a', { class: 'btn', href }, 'Перейти к тестированию'));
    if (role === 'title') app.append(titleCard(lines), toStart('index.html'));
    else if (role === 'index1') app.append(h('section', { class: 'card' }, h('p', { class: 'kicker' }, 'Тестирование по курсу'), h('h1', {}, line(lines, LINES.index1.course))), toStart('index.html'));
    else if (role === 'question') {
      const m = /(\d)[\\/](\d)\.html$/i.exec(decodeURIComponent(location.pathname));
      const stage = m ? Number(m[1]) + 1 : 1, question = m ? Number(m[2]) + 1 : 1;
      const card = questionCard(lines, { slot: (stage - 1) * PER_STAGE + question - 1, stage, question, stages: Math.max(key.stages, stage) }, '../pics/');
      card.querySelectorAll('input').forEach((i) => { i.disabled = true; });
      app.append(card, toStart('../index.html'));
    }
  }

  if (role === 'index') doc.addEventListener('DOMContentLoaded', runTest);
  else if (window.parent !== window) doc.addEventListener('DOMContentLoaded', () => window.parent.postMessage({ testShell: 1, page: role, lines: ownLines() }, '*'));
  else doc.addEventListener('DOMContentLoaded', preview);
}
