// The week's picture in a real browser: the real dorvan, offscreen, with the stand-in
// board, a stage of several windows a port and a journal of the days before, written
// here. At 360 px and on a desktop: a bar per port, labelled with its description as
// text, the past and the plan, a port switched on now drawn across the line at now, and
// one switched on later drawn without a reload.
//   node web_week_linux.mjs DORVAN FAKE_HIDAPI PICTURE_DIR NODE_MODULES [SCREENSHOT_DIR]
import path from 'node:path';
import { AUTH, check, dateOf, freePort, launchChromium, read, run, shots, startDorvan, started, timeOf, toCp1254,
         two } from './harness.mjs';

const stamp = (d) => `${dateOf(d)} ${timeOf(d)}`;
const port = await freePort();

// A stage of a few devices, each window `HH:MM-HH:MM` every day (the weekdays' for port 6).
const devices = {
  1: ['Bahçe sulama', ['06:00-06:30', '19:00-19:30']],
  2: ['Sera fanı', ['08:00-10:00', '12:00-14:00', '16:00-18:00']],
  3: ['Salon lambası', ['18:00-23:00']],
  4: ['Akvaryum ışığı', ['09:00-21:00']],
  6: ['Isıtıcı', ['05:30-07:30']],
  7: ['<b>kalın</b> & "tırnak"', []],
};
let stage = '';
let extra = '';
for (let p = 1; p <= 10; p++) {
  const [name, windows] = devices[p] || [`Aygıt ${p}`, []];
  const word = p === 6 ? 'HAFTA İÇİ' : 'HER GÜN';
  const [first, ...more] = windows.map((w) => w.split('-').map((t) => t + ':00'));
  stage += `${name}\r\n` + (first ? `${word}\r\n${first[0]}\r\n${word}\r\n${first[1]}\r\n` : '\r\n'.repeat(4));
  for (const [on, off] of more) extra += `PORT ${two(p)};${word};${on};${word};${off}\r\n`;
}
// The seven days before, as the journal has them, but for a night the program was off.
const now = new Date();
const at = (day, hhmm) => new Date(now.getFullYear(), now.getMonth(), now.getDate() - day, ...hhmm.split(':'));
const gap = [at(4, '17:00'), at(3, '07:00')];
const lines = [[gap[0], 'DORVAN KAPANDI'], [gap[1], 'DORVAN AÇILDI, KADEME 1']];
for (let day = 7; day >= 0; day--)
  for (const [p, [, windows]] of Object.entries(devices))
    for (const [on, off] of windows.map((w) => w.split('-').map((t) => at(day, t)))) {
      if (p === '6' && [0, 6].includes(on.getDay())) continue;
      for (const [t, word] of [[on, 'AÇIK'], [off, 'KAPALI']])
        if (t < now && (t <= gap[0] || t >= gap[1])) lines.push([t, `PORT ${two(p)} ${word} (çizelge)`]);
    }
startDorvan({
  'kademe1.txt': toCp1254(stage + extra),
  'gunluk.txt': lines.sort((a, b) => a[0] - b[0]).map(([t, e]) => `${stamp(t)} ${e}\n`).join(''),
  'ag.txt': `web = 127.0.0.1:${port}\nweb_parola = gizli\n`,
});

const post = async (url, body) => (await fetch(`http://127.0.0.1:${port}${url}`, {
  method: 'POST', body: JSON.stringify(body), headers: { Authorization: AUTH, 'Content-Type': 'application/json' },
})).status;

// What the picture shows: the labels, and for each port whether a bar of it crosses now.
const picture = (page) => page.evaluate(() => {
  const svg = document.querySelector('#week svg');
  if (!svg) return null;
  const now = Number(svg.querySelector('.week-now').getAttribute('x1'));
  const across = (p) => [...svg.querySelectorAll(`rect[data-port="${p}"]`)].some((r) => {
    const x = Number(r.getAttribute('x'));
    return x <= now + 1 && x + Number(r.getAttribute('width')) >= now - 1;
  });
  return {
    labels: [...svg.querySelectorAll('text')].map((t) => t.textContent).filter((t) => t.startsWith('PORT')),
    markup: svg.querySelectorAll('b').length,
    past: svg.querySelectorAll('.week-past').length,
    planned: svg.querySelectorAll('.week-planned').length,
    across: [1, 2, 3, 4, 5, 6, 7, 8, 9, 10].filter(across),
    pageWidth: document.documentElement.scrollWidth,
    box: [document.getElementById('week').clientWidth, document.getElementById('week').scrollWidth],
  };
});

await run(async () => {
  const browser = await launchChromium();
  try {
    await started('dorvan started with the board');
    check(await post('/api/ports/5', { state: 'on' }) === 200, 'port 5 switched on now');

    for (const [name, viewport] of [['360', { width: 360, height: 740 }], ['desktop', { width: 1280, height: 900 }]]) {
      const context = await browser.newContext({ viewport, httpCredentials: { username: 'k', password: 'gizli' } });
      const page = await context.newPage();
      const outside = [];
      page.on('request', (r) => new URL(r.url()).port !== String(port) && outside.push(r.url()));
      await page.goto(`http://127.0.0.1:${port}/`);
      await page.waitForSelector('#week svg .week-now', { state: 'attached', timeout: 10000 });
      let shown = await picture(page);
      check(shown.labels.length === 10 && shown.labels[0] === 'PORT 01 Bahçe sulama' &&
            shown.labels[6] === 'PORT 07 <b>kalın</b> & "tırnak"' && shown.markup === 0,
            `${name}: ten bars labelled with their descriptions, as text`);
      check(shown.past > 20 && shown.planned > 20, `${name}: ${shown.past} past bars and ${shown.planned} planned`);
      check(shown.across.includes(5), `${name}: port 5, on now, has a bar across the line at now`);
      check(outside.length === 0, `${name}: nothing loaded from elsewhere ${outside.join(' ')}`);
      if (name === '360')
        check(shown.pageWidth <= 360 && shown.box[1] > shown.box[0],
              `360: the page stays ${shown.pageWidth} px wide, the picture scrolls (${shown.box[1]} px in ${shown.box[0]})`);
      else check(shown.box[1] <= shown.box[0], `desktop: the fifteen days fit (${shown.box[1]} px in ${shown.box[0]})`);
      if (shots) await page.locator('section', { has: page.locator('#week') }).screenshot({ path: path.join(shots, `week-${name}.png`) });
      if (name === 'desktop') {
        // A switching the live events tell of is drawn without a reload.
        check(await post('/api/ports/9', { state: 'on' }) === 200, 'port 9 switched on');
        await page.waitForFunction(() => document.querySelector('#week rect[data-port="9"]'), null, { timeout: 5000 })
          .catch(() => {});
        shown = await picture(page);
        check(shown.across.includes(9), 'port 9 is drawn on within seconds, without a reload');
      }
      await context.close();
    }
  } finally {
    await browser.close();
  }
});
