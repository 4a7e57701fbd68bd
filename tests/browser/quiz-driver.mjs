// Takes a test shell's quiz in headless Chromium, as a student would, and reports what it saw.
//
//   const run = await takeQuiz(shellDir, { choose: 'right' });
//   run.questions[i] -> { slot, stage, question, text, answers: [4], picture: null | { name, width, height } }
//   run.result       -> { right, total, percent, passed: true | false | null, reason, sent }
//   run.submission   -> { url, method, fields } of the result form (null when nothing was sent)
//
// The page is opened from the file system (file://) with default browser security. Any http(s)
// request, the result form included, is answered by the driver itself and recorded. With
// `network`, the page may be opened from an address (`url`) and its requests go out, to the
// loopback alone (any other is refused and recorded in `blocked`); the result form's reply is
// then in run.submission.reply -> { status, text }.

import { pathToFileURL } from 'node:url';
import { join } from 'node:path';
import { chromium } from 'playwright-core';
import { decode1251, readKey, readLines } from './shell-files.mjs';

export const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
export const CHROMIUM_ARGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

// The only hosts a test's browser may reach, as a URL names them.
export const LOOPBACK = ['127.0.0.1', '[::1]'];

export function launchBrowser() {
  return chromium.launch({ executablePath: CHROMIUM, args: CHROMIUM_ARGS, headless: true });
}

// Answer policies. A policy gets what was shown plus `key` (the answer line of 1.js for that slot,
// trimmed) and returns 1..4 to answer, 0 to go on without an answer, or null to stop answering
// and let the test time run out.
export const POLICIES = {
  right: ({ key }) => (/^[1-4]$/.test(key) ? Number(key) : 1),
  wrong: ({ key }) => (/^[1-4]$/.test(key) ? (Number(key) % 4) + 1 : 1),
};

// Form body application/x-www-form-urlencoded in the page's encoding (Windows-1251).
export function parseForm(body) {
  const fields = {};
  const text = body.toString('latin1');
  for (const pair of text.split('&').filter(Boolean)) {
    const [name, value = ''] = pair.split('=').map((part) => {
      const bytes = [];
      for (let i = 0; i < part.length; i++) {
        if (part[i] === '+') bytes.push(0x20);
        else if (part[i] === '%') { bytes.push(parseInt(part.slice(i + 1, i + 3), 16)); i += 2; }
        else bytes.push(part.charCodeAt(i));
      }
      return decode1251(Uint8Array.from(bytes));
    });
    fields[name] = value;
  }
  return fields;
}

/**
 * @param {string} shellDir  folder holding index.html
 * @param {object} [o]
 * @param {'right'|'wrong'|Function} [o.choose='right']
 * @param {string} [o.student], [o.group]  typed into the title page
 * @param {boolean} [o.clock=false]  install Playwright's clock; when the policy returns null the
 *   driver then fast-forwards past the end of the test time instead of waiting for it
 * @param {Function} [o.inspect]  async (page) => any, run on the result screen; its value is returned as `inspected`
 * @param {import('playwright-core').Browser} [o.browser]  reuse a browser; otherwise one is launched and closed
 * @param {boolean} [o.network=false]  let requests to 127.0.0.1 and [::1] go out; refuse every other
 * @param {string} [o.url]  the address to open (with `network`); otherwise index.html of shellDir
 * @param {'mouse'|'dom'} [o.clicks='mouse']  'dom' picks an answer and goes on by the elements' own
 *   click() in one call, without Playwright's checks before a click: for many pupils at once
 */
export async function takeQuiz(shellDir, o = {}) {
  const choose = typeof o.choose === 'function' ? o.choose : POLICIES[o.choose || 'right'];
  const student = o.student ?? 'Иванов Иван';
  const group = o.group ?? '9А';
  const key = readKey(shellDir);
  const browser = o.browser || (await launchBrowser());
  const context = await browser.newContext({ viewport: { width: 1000, height: 800 } });
  const errors = [];
  const requests = [];
  let submitted;
  const submission = new Promise((r) => { submitted = r; });
  const blocked = [];
  const web = (url) => url.protocol === 'http:' || url.protocol === 'https:';
  if (o.network) {
    await context.route((url) => web(url) && !LOOPBACK.includes(url.hostname), (route) => {
      blocked.push(route.request().url());
      return route.abort();
    });
    context.on('request', async (req) => {
      if (req.method() !== 'POST') return;
      const entry = { url: req.url(), method: 'POST', fields: parseForm(req.postDataBuffer() || Buffer.alloc(0)) };
      requests.push(entry);
      const response = await req.response().catch(() => null);
      entry.reply = response ? { status: response.status(), text: await response.text().catch(() => '') } : null;
      submitted(entry);
    });
  } else {
    await context.route(web, async (route) => {
      const req = route.request();
      const entry = { url: req.url(), method: req.method(), fields: req.method() === 'POST' ? parseForm(req.postDataBuffer() || Buffer.alloc(0)) : {} };
      requests.push(entry);
      await route.fulfill({ status: 200, contentType: 'text/html; charset=utf-8', body: '<p>OK</p>' });
      if (entry.method === 'POST') submitted(entry);
    });
  }
  try {
    const page = await context.newPage();
    page.on('pageerror', (e) => errors.push(e.message));
    if (o.clock) await page.clock.install();
    await page.goto(o.network && o.url ? o.url : pathToFileURL(join(shellDir, 'index.html')).href);

    const titleCard = page.locator('[data-screen=title]');
    await titleCard.waitFor();
    const fact = (f) => titleCard.locator(`[data-field="${f}"]`).textContent();
    const title = {
      course: await fact('course'), inspector: await fact('inspector'), stages: await fact('stages'),
      minutes: await fact('minutes'), pass: await fact('pass'),
    };
    const header = await page.locator('header .course').textContent();
    const canStart = (await page.locator('#start').count()) > 0;

    const questions = [];
    const chosen = [];
    let stopped = false;
    if (canStart) {
      await page.fill('#student', student);
      await page.fill('#group', group);
      await page.click('#start');
      let prev = null;
      for (;;) {
        // The next screen: the result, or a question other than the one just answered, once its picture has settled.
        const next = page.locator(`[data-screen=result], [data-screen=question][data-ready]${prev === null ? '' : `:not([data-slot="${prev}"])`}`).first();
        await next.waitFor();
        const shown = await next.evaluate((c) => {
          if (c.dataset.screen === 'result') return null;
          const fig = c.querySelector('figure');
          const img = fig && !fig.hidden ? fig.querySelector('img') : null;
          const timer = document.querySelector('[data-field=timer]');
          return {
            slot: Number(c.dataset.slot), stage: Number(c.dataset.stage), question: Number(c.dataset.question),
            text: c.querySelector('[data-field=text]').textContent,
            answers: [1, 2, 3, 4].map((n) => c.querySelector(`[data-field=answer${n}]`)?.textContent ?? null),
            picture: img ? { name: img.dataset.picture, width: img.naturalWidth, height: img.naturalHeight } : null,
            timer: !timer || timer.hidden ? null : timer.textContent,
          };
        });
        if (!shown) break;
        // The picture as the page draws it, when asked: a PNG of its element.
        if (o.pictureShots && shown.picture) shown.pictureShot = await next.locator('figure img').screenshot();
        if (prev !== null && shown.slot !== prev + 1) throw new Error(`slot ${shown.slot} shown after slot ${prev}`);
        questions.push(shown);
        const pick = await choose({ ...shown, key: (key.answers[shown.slot] ?? '').trim() });
        if (pick === null) { stopped = true; break; }
        chosen[shown.slot] = pick;
        const card = page.locator(`[data-screen=question][data-slot="${shown.slot}"]`);
        if (o.clicks === 'dom') {
          await card.evaluate((c, n) => {
            if (n > 0) c.querySelectorAll('input[name=answer]')[n - 1].click();
            c.querySelector('#next').click();
          }, pick);
        } else {
          if (pick > 0) await card.locator('input[name=answer]').nth(pick - 1).check();
          await card.locator('#next').click();
        }
        prev = shown.slot;
      }
    }
    if (stopped) {
      if (o.clock) await page.clock.fastForward(Number(String(key.minutes).replace(',', '.')) * 60000 + 1000);
    }
    const resultCard = page.locator('[data-screen=result]');
    let result = null;
    let inspected;
    if (canStart) {
      await resultCard.waitFor({ timeout: o.resultTimeout ?? 30000 });
      result = await resultCard.evaluate((c) => ({
        right: Number(c.dataset.right), total: Number(c.dataset.total), percent: Number(c.dataset.percent),
        passed: c.dataset.passed === '' ? null : c.dataset.passed === '1', reason: c.dataset.reason,
        sent: c.querySelector('[data-field=sent]').textContent,
        shownRight: c.querySelector('[data-field=right]').textContent,
      }));
    }
    const handler = (readLines(join(shellDir, 'index.html'))[17] ?? '').trim();
    const sendExpected = canStart && /^https?:/i.test(handler);
    const form = sendExpected ? await Promise.race([submission, new Promise((r) => setTimeout(() => r(null), o.network ? 30000 : 5000))]) : null;
    if (o.inspect) inspected = await o.inspect(page);
    return { title, header, canStart, questions, chosen, result, submission: form, requests, errors, inspected, blocked };
  } finally {
    await context.close();
    if (!o.browser) await browser.close();
  }
}
