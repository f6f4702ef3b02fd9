// The week at a glance in the real dorvan, offscreen, with the stand-in board, over a
// journal written here across both files, each near its size limit, and a stage of daily
// windows. GET /api/week to the second: an interval across the two files, one ended with
// the program, one cut at the week's start, thousands of short ones, the plan from the
// boxes and the extra windows, a port switched on now in both halves, and the bounds.
// Then its picture in a real browser, at 360 px and on a desktop: a bar per port labelled
// with its description as text, the past and the plan, the port on now drawn across the
// line at now, and one switched on later drawn without a reload.
//   node web_week_linux.mjs DORVAN FAKE_HIDAPI PICTURE_DIR NODE_MODULES [SCREENSHOT_DIR]
import path from 'node:path';
import { isDeepStrictEqual } from 'node:util';
import { AUTH, check, dateOf, freePort, launchChromium, run, shots, startDorvan, started, timeOf, toCp1254,
         two } from './harness.mjs';

const stamp = (d) => `${dateOf(d)} ${timeOf(d)}`;
const iso = (d) => {
  const off = -d.getTimezoneOffset();
  const [h, m] = [Math.floor(Math.abs(off) / 60), Math.abs(off) % 60];
  return `${d.getFullYear()}-${two(d.getMonth() + 1)}-${two(d.getDate())}T${timeOf(d)}${off < 0 ? '-' : '+'}${two(h)}:${two(m)}`;
};
const span = (a, b) => [iso(a), iso(b)];
const port = await freePort();

// Wall-clock instants: `n` days from today at hour `h` (and `s` seconds), and the daily
// window `h` hours from now, on its `n`th day, `m` minutes on.
const now = new Date();
now.setMilliseconds(0);
const at = (n, h = 0, s = 0) => new Date(now.getFullYear(), now.getMonth(), now.getDate() + n, h, 0, s);
const daily = (h, n = 0, m = 0) => new Date(now.getFullYear(), now.getMonth(), now.getDate() + n, now.getHours() + h,
                                            now.getMinutes() + m, now.getSeconds());
const [start, end] = [at(-7), at(8)];

// Half an hour a day, from `h` hours from now: as stage text, and the week's share of it.
const halfHour = (h) => `HER GÜN;${timeOf(daily(h))};HER GÜN;${timeOf(daily(h, 0, 30))}`;
const runs = (...hours) => [...Array(9).keys()].flatMap((n) => hours.filter((h) => daily(h, n) < end)
  .map((h) => span(daily(h, n), new Date(Math.min(daily(h, n, 30), end)))));

// Port 4 has an extra window only, port 8 one in its boxes and an extra one.
const names = { 1: 'Bahçe sulama', 2: 'Sera fanı', 3: 'Salon lambası', 4: 'Akvaryum ışığı', 6: 'Isıtıcı',
                7: '<b>kalın</b> & "tırnak"', 8: 'Sera ısıtıcısı' };
let stage = '';
for (let p = 1; p <= 10; p++)
  stage += `${names[p] || `Aygıt ${p}`}\r\n` + (p === 8 ? halfHour(2).split(';').join('\r\n') + '\r\n' : '\r\n'.repeat(4));
stage += `PORT 04;${halfHour(1)}\r\nPORT 08;${halfHour(3)}\r\n`;

// A port on and off at the instants `t(i)` before `until`, ending off, in at most 1 MB.
function switchings(p, t, until) {
  const out = [];
  for (let i = 0, size = 1e6; t(i) < until && size > 0; i++) {
    out.push(`${stamp(t(i))} PORT ${two(p)} ${i % 2 ? 'KAPALI' : 'AÇIK'} (çizelge)\n`);
    size -= Buffer.byteLength(out[i]);
  }
  return out.slice(0, out.length - (out.length % 2));
}
// Port 3 on since before the week; port 1 on across the files; port 2 ended with the
// program. Port 7's switchings before the week fill the older file, port 6's every 3 s
// for most of a day the newer one.
const six = switchings(6, (i) => at(-3, 13, 3 * i), at(-2, 7));
startDorvan({
  'kademe1.txt': toCp1254(stage),
  'gunluk.1.txt': switchings(7, (i) => at(-30, 0, 20 * i), at(0)).join('') +
                  `${stamp(at(-10))} PORT 03 AÇIK (çizelge)\n${stamp(at(-3, 10))} PORT 01 AÇIK (elle)\n`,
  'gunluk.txt': `${stamp(at(-3, 12))} PORT 01 KAPALI (elle)\n${six.join('')}` +
                `${stamp(at(-2, 8))} PORT 02 AÇIK (mqtt)\n${stamp(at(-2, 9))} DORVAN KAPANDI\n`,
  'ag.txt': `web = 127.0.0.1:${port}\nweb_parola = gizli\n`,
});
const want = {
  1: [[span(at(-3, 10), at(-3, 12))], []],
  2: [[span(at(-2, 8), at(-2, 9))], []],
  3: [[span(start, at(-2, 9))], []],
  4: [[], runs(1)],
  6: [Array.from({ length: six.length / 2 }, (_, n) => span(at(-3, 13, 6 * n), at(-3, 13, 6 * n + 3))), []],
  8: [[], runs(2, 3)],
};

const ask = async (method, url, body, auth = AUTH) => {
  const r = await fetch(`http://127.0.0.1:${port}${url}`, {
    method, body: body && JSON.stringify(body), signal: AbortSignal.timeout(5000),
    headers: { ...(auth && { Authorization: auth }), 'Content-Type': 'application/json' },
  });
  return [r.status, r.ok ? await r.json() : null];
};

// The week as asked of the API, port by port, each to the second.
async function checkWeek() {
  check((await ask('GET', '/api/week', undefined, null))[0] === 401, 'GET /api/week without the password: 401');
  check((await ask('POST', '/api/ports/5', { state: 'on' }))[0] === 200, 'port 5 switched on now');
  await new Promise((r) => setTimeout(r, 1100));
  const took = performance.now();
  const [status, week] = await ask('GET', '/api/week');
  console.log(`GET /api/week over a journal of 2 × 1 MB: ${(performance.now() - took).toFixed(1)} ms`);
  check(status === 200 && week.from === iso(start) && week.to === iso(end) && week.ports.length === 10,
        `the week: ${status} ${week && [week.from, week.now, week.to]}`);
  check(now <= Date.parse(week.now) && Date.parse(week.now) <= Date.now(), `now is ${week.now}`);
  for (const p of week.ports) {
    let [past, planned] = want[p.port] || [[], []];
    if (p.port === 5) {
      const on = p.past.length === 1 ? p.past[0][0] : '';
      [past, planned] = [[[on, week.now]], [[week.now, iso(end)]]];
      check(Date.parse(on || week.from) >= now, `port 5 on since ${on}, when it was switched`);
    }
    check(isDeepStrictEqual([p.past, p.planned], [past, planned]),
          `port ${p.port}: ${p.past.length} past, ${p.planned.length} planned, from ${JSON.stringify(
            [p.past.slice(0, 2), p.planned.slice(0, 2)])}`);
  }
}

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
    await checkWeek();

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
        check((await ask('POST', '/api/ports/9', { state: 'on' }))[0] === 200, 'port 9 switched on');
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
