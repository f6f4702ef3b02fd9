// The page over HTTPS in a real browser: the real dorvan, offscreen, with the stand-in
// board and `web_https = evet`; Debian's chromium told to take the self-signed
// certificate. The page loads, shows the window, and a switch on it (a write, its Origin
// https://) reaches the board.
//   node web_https_linux.mjs DORVAN FAKE_HIDAPI PICTURE_DIR NODE_MODULES
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

const [dorvan, shim, pictures, nodeModules] = process.argv.slice(2);
const { chromium } = createRequire(path.join(nodeModules, 'x'))('playwright-core');
const home = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvan-https-'));
const board = path.join(home, 'board');
let failures = 0;
const check = (ok, what) => {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures++;
};
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const read = (f) => (fs.existsSync(path.join(home, f)) ? fs.readFileSync(path.join(home, f), 'utf8') : '');
async function until(test, ms) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (test()) return true;
    await sleep(20);
  }
  return test();
}
const port = await new Promise((resolve) => {
  const s = net.createServer().listen(0, '127.0.0.1', () => {
    const p = s.address().port;
    s.close(() => resolve(p));
  });
});

let stage = '';
for (let p = 1; p <= 10; p++) stage += `Cihaz ${p}\r\n\r\n\r\n\r\n\r\n`;
fs.writeFileSync(path.join(home, 'kademe1.txt'), stage);
fs.writeFileSync(path.join(home, 'ag.txt'), `web = 127.0.0.1:${port}\nweb_parola = gizli\nweb_https = evet\n`,
                 { mode: 0o600 });
for (const f of ['fis_1.bmp', 'fis_2.bmp']) fs.copyFileSync(path.join(pictures, f), path.join(home, f));
fs.writeFileSync(board, '');
const child = spawn(dorvan, ['1'], {
  cwd: home,
  env: { ...process.env, QT_QPA_PLATFORM: 'offscreen', LD_PRELOAD: shim, DORVAN_FAKE_BOARD: board },
  stdio: ['ignore', 'inherit', 'inherit'],
});

try {
  check(await until(() => read('gunluk.txt').includes('KART TAKILDI') && read('gunluk.txt').includes('Fingerprint='),
                    10000), 'dorvan started with the board and its certificate');
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium',
                                          args: ['--no-sandbox', '--ignore-certificate-errors'] });
  try {
    const context = await browser.newContext({ httpCredentials: { username: 'kim', password: 'gizli' } });
    const page = await context.newPage();
    const response = await page.goto(`https://127.0.0.1:${port}/`);
    check(response.status() === 200 && response.url().startsWith('https://'), 'the page loaded over HTTPS');
    const box = page.getByLabel('PORT 10 AÇIKLAMA');
    await page.waitForFunction(() => document.querySelector('[aria-label="PORT 10 AÇIKLAMA"]')?.value === 'Cihaz 10',
                               null, { timeout: 5000 }).catch(() => {});
    check(await box.inputValue() === 'Cihaz 10', 'it shows the window\'s boxes');
    await page.getByRole('button', { name: /^PORT 05 .*anahtar$/ }).click();
    check(await until(() => read('board.log').includes('00 05 01 00 00 00 00 00 00'), 2000),
          'a switch on the page (Origin https://) reached the board');
  } finally {
    await browser.close();
  }
} catch (e) {
  check(false, 'unexpected: ' + (e.stack || e));
} finally {
  child.kill('SIGTERM');
  const code = await new Promise((resolve) => child.on('exit', (c) => resolve(c)));
  check(code === 0, 'dorvan ended on SIGTERM');
  if (failures) console.log('--- gunluk.txt\n' + read('gunluk.txt'));
  else fs.rmSync(home, { recursive: true, force: true });
}
process.exit(failures ? 1 : 0);
