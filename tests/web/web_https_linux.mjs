// The page over HTTPS in a real browser: the real dorvan, offscreen, with the stand-in
// board and `web_https = evet`; Debian's chromium told to take the self-signed
// certificate. The page loads, shows the window, and a switch on it (a write, its Origin
// https://) reaches the board.
//   node web_https_linux.mjs DORVAN FAKE_HIDAPI PICTURE_DIR NODE_MODULES
import { check, freePort, launchChromium, read, run, startDorvan, started, until } from './harness.mjs';

const port = await freePort();
let stage = '';
for (let p = 1; p <= 10; p++) stage += `Cihaz ${p}\r\n\r\n\r\n\r\n\r\n`;
startDorvan({
  'kademe1.txt': stage,
  'ag.txt': `web = 127.0.0.1:${port}\nweb_parola = gizli\nweb_https = evet\n`,
});

await run(async () => {
  await started('dorvan started with the board and its certificate', 'Fingerprint=');
  const browser = await launchChromium('--ignore-certificate-errors');
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
});
