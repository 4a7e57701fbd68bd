// The teacher's guide as a browser shows it: each copy named in GUIDES (paths joined by ":",
// by default build/guide/guide.html) opens from file://, every picture in it loads, every
// link inside the page leads to a section, and every section named in the contents is there.
// Not a *.test.mjs: the guide exists only once scripts/make-guide.sh has taken its pictures, so
// scripts/package.sh runs this by name on the guides of both downloads.

import { after, before, describe, it } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launchBrowser } from './quiz-driver.mjs';
import { REPO } from './shell-files.mjs';

const guides = (process.env.GUIDES || join(REPO, 'build', 'guide', 'guide.html')).split(':');

let browser;
before(async () => { browser = await launchBrowser(); });
after(async () => { await browser?.close(); });

describe('the teacher\'s guide in Chromium', () => {
  for (const guide of guides) {
    it(`${guide}: every picture loads, every link inside it has its section`, async () => {
      assert.ok(existsSync(guide), `${guide} is missing: bash scripts/make-guide.sh`);
      const page = await browser.newPage();
      const failed = [];
      page.on('requestfailed', (r) => failed.push(r.url().slice(0, 80)));
      await page.goto(pathToFileURL(guide).href, { waitUntil: 'load' });
      const seen = await page.evaluate(() => ({
        title: document.title,
        pictures: [...document.images].map((img) => ({
          alt: img.alt, loaded: img.complete && img.naturalWidth > 0, width: img.naturalWidth,
        })),
        links: [...document.querySelectorAll('a[href^="#"]')].map((a) => a.getAttribute('href')),
        ids: [...document.querySelectorAll('[id]')].map((e) => e.id),
        text: document.body.innerText.length,
      }));
      await page.close();
      assert.deepEqual(failed, []);
      assert.match(seen.title, /Редактор теста/);
      assert.ok(seen.pictures.length >= 7, `${seen.pictures.length} pictures`);
      for (const p of seen.pictures) assert.ok(p.loaded, `the picture "${p.alt}" did not load`);
      // The window's pictures are the window itself: 860 pixels wide at 96 dots an inch.
      assert.ok(seen.pictures.filter((p) => p.width === 860).length >= 4);
      assert.ok(seen.links.length >= 10);
      for (const href of seen.links) assert.ok(seen.ids.includes(href.slice(1)), `${href} leads nowhere`);
      assert.ok(seen.text > 5000, 'the page shows its text');
    });
  }
});
