// A class of real pupils for a lesson another program serves (the Windows program under Wine):
//
//   node lesson-pupils.mjs URL SHELL COUNT
//
// COUNT pupils in headless Chromium take the test at URL (the lesson's address on 127.0.0.1; every
// other request is refused), SHELL being the folder the lesson serves (its key tells the patterns
// what to answer). Prints one JSON array: for each pupil the name and class typed, what the page
// showed (right, percent) and what came of the result sent (its address and the reply's status),
// and anything that went wrong; the caller checks them against what the lesson kept. The status
// is 1 when a pupil's page failed, refused a request or sent no result.

import { launchBrowser } from './quiz-driver.mjs';
import { takeLesson } from './pupils.mjs';

const [url, shell, count] = process.argv.slice(2);
if (!/^http:\/\/127\.0\.0\.1:\d+\/$/.test(url ?? '') || !shell || !(Number(count) > 0)) {
  console.error('usage: node lesson-pupils.mjs http://127.0.0.1:PORT/ SHELL COUNT');
  process.exit(2);
}
const browser = await launchBrowser();
let runs;
try {
  runs = await takeLesson(browser, shell, url, { count: Number(count) });
} finally {
  await browser.close();
}
const pupils = runs.map(({ student, group, run }) => ({
  student, group, right: run.result?.right ?? null, percent: run.result?.percent ?? null,
  sent: run.submission?.url ?? null, status: run.submission?.reply?.status ?? null,
  errors: run.errors, blocked: run.blocked,
}));
console.log(JSON.stringify(pupils));
process.exitCode = pupils.every((p) => p.sent && p.status === 200 && !p.errors.length && !p.blocked.length) ? 0 : 1;
