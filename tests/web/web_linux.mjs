// The real dorvan, offscreen, with the stand-in board: the page and its API over
// 127.0.0.1, and a real browser; with a mosquitto of its own, a port switched over MQTT
// as the open page sees it.
//   node web_linux.mjs DORVAN FAKE_HIDAPI PICTURE_DIR NODE_MODULES
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import path from 'node:path';
import { AUTH, check, dateOf, freePort, inHome, launchChromium, nodeModules, read, run, sleep, startDorvan, started,
         timeOf, toCp1254, two, until } from './harness.mjs';

const port = await freePort();
// A broker for the page's live colours: anonymous, on loopback, stopped at the end.
const brokerPort = fs.existsSync('/usr/sbin/mosquitto') ? await freePort() : 0;
let broker = null;
if (brokerPort) {
  fs.writeFileSync(inHome('mosquitto.conf'),
                   `listener ${brokerPort} 127.0.0.1\nallow_anonymous true\npersistence false\nuser root\n`);
  broker = spawn('/usr/sbin/mosquitto', ['-c', inHome('mosquitto.conf')], { stdio: 'ignore' });
}
// Stage 1 in the stage file's own code page: "Aygıt N" (ı = 0xFD), nothing scheduled.
let stage1 = '';
for (let p = 1; p <= 10; p++) stage1 += `Aygıt ${p}\r\n\r\n\r\n\r\n\r\n`;
startDorvan({
  'kademe1.txt': toCp1254(stage1),
  'kademe2.txt': toCp1254('Pompa\r\n' + '\r\n'.repeat(49)),
  'ag.txt': `web = 127.0.0.1:${port}\nweb_parola = gizli\n` +
            (brokerPort ? `mqtt = 127.0.0.1:${brokerPort}\nmqtt_konu = dorvan/web\n` : ''),
});

// One request, from `from` (a loopback address), answered with its status, headers and body.
function ask(method, url, { body, type = 'application/json', auth = AUTH, origin, from = '127.0.0.1', chunked } = {}) {
  return new Promise((resolve, reject) => {
    const headers = {};
    if (auth) headers.Authorization = auth;
    const text = body === undefined || typeof body === 'string' ? body : JSON.stringify(body);
    if (text !== undefined) headers['Content-Type'] = type;
    if (text !== undefined && !chunked) headers['Content-Length'] = Buffer.byteLength(text);
    if (origin) headers.Origin = origin;
    const req = http.request({ host: '127.0.0.1', port, method, path: url, headers, localAddress: from, agent: false },
      (res) => {
        let data = '';
        res.setEncoding('utf8');
        res.on('data', (c) => (data += c));
        res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body: data }));
      });
    req.on('error', reject);
    req.setTimeout(10000, () => req.destroy(new Error('timeout')));
    if (text !== undefined) req.write(text);
    req.end();
  });
}
const json = async (...a) => JSON.parse((await ask(...a)).body);

await run(async () => {
  await started('dorvan started with the board');
  await until(() => false, 300);

  // The API.
  let r = await ask('GET', '/api/state', { auth: null });
  check(r.status === 401 && r.headers['www-authenticate'] === 'Basic realm="DORVAN"', '401 without the password');
  const state = await json('GET', '/api/state');
  check(state.board === true && state.stage === 1 && state.ports.length === 10 &&
        state.ports[2].description === 'Aygıt 3' && /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$/.test(state.time),
        'the state JSON: board, stage, ten ports, local time');

  let t0 = Date.now();
  r = await ask('POST', '/api/ports/5', { body: { state: 'on' } });
  check(r.status === 200 && JSON.parse(r.body).state === 'on', 'POST /api/ports/5 answers the port, on');
  check(await until(() => read('board.log').includes('00 05 01 00 00 00 00 00 00'), 1000),
        `the switch reached the board in ${Date.now() - t0} ms`);
  check(/ PORT 05 AÇIK \(web 127\.0\.0\.1\)\n/.test(read('gunluk.txt')), 'journaled (web 127.0.0.1)');

  const due = new Date(Date.now() + 3000);
  r = await ask('PUT', '/api/ports/6', { body: { start: { date: dateOf(due), time: timeOf(due) } } });
  check(r.status === 200 && JSON.parse(r.body).next?.state === 'on', 'an edit of port 6 is its next switching');
  check(await until(() => read('gunluk.txt').includes(`${timeOf(due)} PORT 06 AÇIK (çizelge)`), 5000),
        'the edit fired in its second');

  // Extra windows through the API, with the event stream open: port 2's one window three
  // seconds ahead; port 4's row, then a window from the second the row ends. Sent just after
  // a second begins, so that the stream's once-a-second look cannot pass for their event.
  let events = '';
  const stream = http.get({ host: '127.0.0.1', port, path: '/api/events', headers: { Authorization: AUTH } },
                          (res) => res.setEncoding('utf8').on('data', (c) => (events += c)));
  await until(() => events.includes('event: state'), 2000);
  await sleep(1200 - (Date.now() % 1000));
  const a = new Date(Math.floor(Date.now() / 1000) * 1000 + 3000);
  const [b, c] = [new Date(a.getTime() + 2000), new Date(a.getTime() + 4000)];
  const instant = (d) => ({ date: dateOf(d), time: timeOf(d) });
  t0 = Date.now();
  await ask('PUT', '/api/ports/2', { body: { extra: [{ start: instant(a) }] } });
  check(await until(() => /event: port\ndata: \{[^\n]*"extra":\[\{[^\n]*"port":2,/.test(events), 250),
        `the stream told of port 2's extra window in ${Date.now() - t0} ms`);
  await ask('PUT', '/api/ports/4', { body: { start: instant(a), end: instant(b), extra: [{ start: instant(b), end: instant(c) }] } });
  await until(() => read('board.log').includes('00 02 01'), a - Date.now() + 2000);
  const late = Date.now() - a;
  check(late >= 0 && late < 1100 && read('gunluk.txt').includes(`${timeOf(a)} PORT 02 AÇIK (çizelge)`),
        `port 2's extra window switched the board ${late} ms into its second`);
  await until(() => read('board.log').includes('00 04 00'), c - Date.now() + 2000);
  const sent4 = read('board.log').split('\n').filter((l) => l.startsWith('00 04 '));
  check(sent4.filter((l, i) => l !== sent4[i - 1]).join() === '00 04 01 00 00 00 00 00 00,00 04 00 00 00 00 00 00 00' &&
        (read('gunluk.txt').match(/PORT 04 KAPALI.*/g) || []).length === 1 &&
        read('gunluk.txt').includes(`${timeOf(c)} PORT 04 KAPALI (çizelge)`),
        'back-to-back windows: port 4 on at the first start, off at the second end only');
  stream.destroy();

  const big = JSON.stringify({ description: 'x'.repeat(17 * 1024) });
  const bad = [
    ['GET', '/api/ports/11', {}, 404],
    ['POST', '/api/stages/9', { body: {} }, 404],
    ['GET', '/nothing', {}, 404],
    ['DELETE', '/api/state', {}, 405],
    ['GET', '/api/save', {}, 405],
    ['PUT', '/api/ports/1', { body: big }, 413],
    ['PUT', '/api/ports/1', { body: '{}', chunked: true }, 411],
    ['POST', '/api/ports/1', { body: '{"state":"on"}', type: 'text/plain' }, 415],
    ['POST', '/api/ports/1', { body: '{"state":' }, 400],
    ['POST', '/api/ports/1', { body: { state: 'yes' } }, 400],
    ['PUT', '/api/ports/1', { body: { description: 'x'.repeat(30) } }, 400],
    ['POST', '/api/ports/1', { body: { state: 'on' }, origin: 'http://evil.example' }, 403],
  ];
  for (const [method, url, options, status] of bad) {
    r = await ask(method, url, options);
    check(r.status === status && (status === 404 && !url.startsWith('/api') || JSON.parse(r.body).error),
          `${method} ${url} ${options.type || ''}${options.origin || ''} → ${r.status} (${status} expected)`);
  }
  check(!read('board.log').includes('00 01 01') && (await json('GET', '/api/ports/1')).description === 'Aygıt 1',
        'no bad request changed anything');

  r = await ask('POST', '/api/stages/2', { body: {} });
  check(r.status === 200 && JSON.parse(r.body).stage === 2, 'KADEME2 through the API');
  await ask('PUT', '/api/ports/1', { body: { description: 'Işık ğş' } });
  r = await ask('POST', '/api/save', { body: {} });
  const saved = fs.readFileSync(inHome('kademe2.txt'));
  check(r.status === 200 && saved.equals(toCp1254('Işık ğş\r\n' + '\r\n'.repeat(49))),
        'KAYDET wrote kademe2.txt in Windows-1254');
  await ask('POST', '/api/stages/1', { body: {} });

  // The browser, as a phone.
  const browser = await launchChromium();
  try {
    const context = await browser.newContext({ viewport: { width: 360, height: 740 },
                                               httpCredentials: { username: 'telefon', password: 'gizli' } });
    const page = await context.newPage();
    await page.goto(`http://127.0.0.1:${port}/`);
    await page.getByLabel('PORT 10 AÇIKLAMA').and(page.locator('[value="Aygıt 10"], :not([value])')).waitFor();
    await until(() => false, 1200);
    const descriptions = [];
    for (let p = 1; p <= 10; p++) descriptions.push(await page.getByLabel(`PORT ${two(p)} AÇIKLAMA`).inputValue());
    check(descriptions.every((d, i) => d === `Aygıt ${i + 1}`), 'the page shows the ten descriptions');
    const width = await page.evaluate(() => document.documentElement.scrollWidth);
    check(width <= 360, `at 360 px the page is ${width} px wide`);
    // With a port on (red) and the chosen stage red: what axe-core finds serious or critical.
    await page.addScriptTag({ path: path.join(nodeModules, 'axe-core', 'axe.min.js') });
    const found = await page.evaluate(async () => (await window.axe.run()).violations
      .filter((v) => v.impact === 'serious' || v.impact === 'critical').map((v) => `${v.id}: ${v.help}`));
    check(found.length === 0, `axe-core: ${found.length ? found.join('; ') : 'nothing serious or critical'}`);

    // A port switched over MQTT changes colour on the open page, without a reload.
    if (brokerPort) {
      const publisher = spawn('mosquitto_pub', ['-p', String(brokerPort), '-q', '1', '-t', 'dorvan/web/port/3/set', '-l'],
                              { stdio: ['pipe', 'ignore', 'ignore'] });
      await until(() => read('gunluk.txt').includes('MQTT BAĞLANDI'), 5000);
      await until(() => false, 500);
      const took = [];
      for (let i = 0; i < 20; i++) {
        const wasOn = await page.evaluate(() => document.querySelectorAll('.indicator')[2].classList.contains('on'));
        const watch = page.evaluate((on) => new Promise((resolve) => {
          const b = document.querySelectorAll('.indicator')[2];
          new MutationObserver(() => b.classList.contains('on') !== on && resolve(performance.timeOrigin + performance.now()))
            .observe(b, { attributes: true });
          setTimeout(() => resolve(0), 2000);
        }), wasOn);
        await until(() => false, 50);
        const sent = performance.timeOrigin + performance.now();
        publisher.stdin.write('TOGGLE\n');
        const seen = await watch;
        took.push(seen ? seen - sent : Infinity);
      }
      publisher.stdin.end();
      took.sort((a, b) => a - b);
      check(took[10] <= 100 && took[19] <= 300,
            `MQTT set → colour on the page: median ${took[10].toFixed(1)} ms, worst ${took[19].toFixed(1)} ms`);
    }
    t0 = Date.now();
    await page.getByRole('button', { name: /^PORT 05 .*anahtar$/ }).click();
    check(await until(() => read('board.log').includes('00 05 00 00 00 00 00 00 00'), 1000),
          `PORT 05's switch on the page reached the board in ${Date.now() - t0} ms`);
    await page.getByLabel('PORT 07 AÇIKLAMA').fill('Sera fanı');
    await page.getByLabel('PORT 07 AÇIKLAMA').press('Tab');
    check(await until(() => false, 600) || (await json('GET', '/api/ports/7')).description === 'Sera fanı',
          "a box typed into on the page changed the window's data");
    await page.getByLabel('PORT 08 BAŞLANGIÇ SAAT').fill('7:30');
    await page.getByLabel('PORT 08 BAŞLANGIÇ SAAT').press('Tab');
    const marked = page.getByLabel('PORT 08 BAŞLANGIÇ SAAT');
    await page.waitForFunction(() => document.querySelector('[aria-label="PORT 08 BAŞLANGIÇ SAAT"]').classList.contains('marked'),
                               null, { timeout: 3000 }).catch(() => {});
    check((await marked.getAttribute('class')).includes('marked') && (await marked.getAttribute('title')).length > 0 &&
          (await marked.evaluate((e) => getComputedStyle(e).backgroundColor)) === 'rgb(255, 200, 200)',
          'a bad time shows the pale-red mark and its tooltip');

    // An extra window added on the page: EK EKLE, its boxes typed (a ';' refused), and saved as typed.
    await page.getByRole('button', { name: 'PORT 05 EK EKLE' }).click();
    await page.getByLabel('PORT 05 EK 1 BAŞLANGIÇ TARİH').fill('HER GÜN');
    await page.getByLabel('PORT 05 EK 1 BAŞLANGIÇ SAAT').fill('18:00:00');
    await page.getByLabel('PORT 05 EK 1 BİTİŞ TARİH').fill('HER GÜN');
    await page.getByLabel('PORT 05 EK 1 BİTİŞ SAAT').pressSequentially('18:30;:00');
    await page.getByLabel('PORT 05 EK 1 BİTİŞ SAAT').press('Tab');
    const want = JSON.stringify([{ start: { date: 'HER GÜN', time: '18:00:00' }, end: { date: 'HER GÜN', time: '18:30:00' } }]);
    const extraOf5 = async () => JSON.stringify((await json('GET', '/api/ports/5')).extra.map(({ start, end }) => ({ start, end })));
    let got = '';
    for (let i = 0; i < 30 && got !== want; i++, await sleep(100)) got = await extraOf5();
    check(got === want, `an extra window typed on the page is in the API: ${got}`);
    const wide = await page.evaluate(() => document.documentElement.scrollWidth);
    check(wide <= 360, `with an extra window the page is ${wide} px wide`);
    await page.getByRole('button', { name: 'PORT 05 EK 1 SİL' }).click();
    for (let i = 0; i < 30 && got !== '[]'; i++, await sleep(100)) got = await extraOf5();
    check(got === '[]', 'PORT 05 EK 1 SİL removed it');
  } finally {
    await browser.close();
  }

  // Fifty idle connections while a switching falls due: it keeps its second.
  const at = new Date(Date.now() + 4000);
  await ask('PUT', '/api/ports/9', { body: { start: { date: dateOf(at), time: timeOf(at) } } });
  const idle = [];
  for (let i = 0; i < 50; i++) idle.push(net.connect(port, '127.0.0.1').on('error', () => {}));
  check(await until(() => read('gunluk.txt').includes(`${timeOf(at)} PORT 09 AÇIK (çizelge)`), 6000),
        'with 50 idle connections the scheduled switching kept its second');
  for (const s of idle) s.destroy();
  t0 = Date.now();
  r = await ask('GET', '/api/state');
  check(r.status === 200, `the page answered ${Date.now() - t0} ms after they closed`);

  // Five wrong passwords from 127.0.0.2 shut that address out, not 127.0.0.1.
  const wrong = 'Basic ' + Buffer.from('x:yanlış').toString('base64');
  for (let i = 0; i < 5; i++) await ask('GET', '/api/state', { auth: wrong, from: '127.0.0.2' });
  check((await ask('GET', '/api/state', { from: '127.0.0.2' })).status === 429 &&
        (await ask('GET', '/api/state')).status === 200, '429 for the guessing address only');
  check(!read('gunluk.txt').includes('gizli'), 'the password is not in the journal');
}, { after: () => broker?.kill('SIGTERM'), journal: 'always' });
