// A class taking a lesson: pupils in browser contexts of their own in one headless Chromium, all
// at once, each opening the lesson's address, typing a name and a class and answering by a known
// pattern, so that a score the lesson gets wrong shows. Shared by the browser tests and by the
// Windows program's run under Wine (lesson-pupils.mjs).

import { takeQuiz } from './quiz-driver.mjs';

// Names: one with markup, one with an emoji, the rest numbered (Cyrillic all).
export const pupilNames = (count) => Array.from({ length: count }, (_, i) => (
  i === 1 ? '<b>Иванов</b>' : i === 2 ? 'Петров 😀 Пётр' : `Ученик ${String(i + 1).padStart(2, '0')} Сидоров`));

export const pupilGroup = (i) => (i % 2 ? '9Б' : '9А');

// Three ways of answering in turn: all right, all wrong, a third right (every third slot). With
// `runsOut`, the last pupil answers ten questions right and lets the time run out.
export function answering(i, count, runsOut) {
  if (runsOut && i === count - 1) return ({ slot, key }) => (slot < 10 ? Number(key) : null);
  const kind = ['right', 'wrong', 'mixed'][i % 3];
  return ({ slot, key }) => {
    const right = Number(key);
    const wrong = (right % 4) + 1;
    return kind === 'right' || (kind === 'mixed' && slot % 3 === 0) ? right : wrong;
  };
}

// What a pupil's pattern scores on a test of sixty questions.
export const patternRight = (i, count, runsOut) => (runsOut && i === count - 1 ? 10 : [60, 0, 20][i % 3]);

// The class at the address `url` of a lesson serving the test in `shell`: the runs of takeQuiz,
// each with its pupil's name and class.
export function takeLesson(browser, shell, url, { count, runsOut = false }) {
  const names = pupilNames(count);
  return Promise.all(names.map(async (student, i) => ({
    student, group: pupilGroup(i),
    run: await takeQuiz(shell, {
      browser, network: true, url, student, group: pupilGroup(i), choose: answering(i, count, runsOut),
      clock: runsOut && i === count - 1, resultTimeout: 120000, clicks: 'dom',
    }),
  })));
}
