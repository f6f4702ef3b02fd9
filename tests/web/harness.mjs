// What the browser tests share: their arguments, a home folder of their own, the real
// dorvan started there with the stand-in board and ended on SIGTERM, and the tally of
// checks that decides the exit code. One test a process, so the home is this module's.
//   node SCRIPT.mjs DORVAN FAKE_HIDAPI PICTURE_DIR NODE_MODULES [SCREENSHOT_DIR]
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

// Resolved here: dorvan runs in its home folder, and a path given by hand may be relative.
export const [dorvan, shim, pictures, nodeModules] = process.argv.slice(2, 6).map((p) => path.resolve(p));
export const shots = process.argv[6];
export const { chromium } = createRequire(path.join(nodeModules, 'x'))('playwright-core');
export const AUTH = 'Basic ' + Buffer.from('kim:gizli').toString('base64');
export const home = fs.mkdtempSync(path.join(os.tmpdir(), `dorvan-${path.basename(process.argv[1], '.mjs')}-`));
export const inHome = (f) => path.join(home, f);
export const board = inHome('board');
export const read = (f) => (fs.existsSync(inHome(f)) ? fs.readFileSync(inHome(f), 'utf8') : '');

let failures = 0;
export const check = (ok, what) => {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures++;
};
export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
export async function until(test, ms) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (test()) return true;
    await sleep(20);
  }
  return test();
}

export const two = (n) => String(n).padStart(2, '0');
export const dateOf = (d) => `${two(d.getDate())}.${two(d.getMonth() + 1)}.${d.getFullYear()}`;
export const timeOf = (d) => `${two(d.getHours())}:${two(d.getMinutes())}:${two(d.getSeconds())}`;

export const freePort = () => new Promise((resolve) => {
  const s = net.createServer().listen(0, '127.0.0.1', () => {
    const p = s.address().port;
    s.close(() => resolve(p));
  });
});

// The stage files' code page: the Turkish letters Latin-1 lacks; the rest agree with it.
const cp1254 = { ı: 0xfd, İ: 0xdd, ğ: 0xf0, Ğ: 0xd0, ş: 0xfe, Ş: 0xde };
export const toCp1254 = (s) => Buffer.from([...s].map((c) => cp1254[c] ?? c.charCodeAt(0)));

export const launchChromium = (...args) =>
  chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', ...args] });

let child = null;
let exited = null;
// Writes `files` (name → text or bytes; ag.txt holds the password, so it is its owner's
// alone) next to the two pictures and an empty board, and starts dorvan on stage 1.
export function startDorvan(files) {
  for (const [name, data] of Object.entries(files))
    fs.writeFileSync(inHome(name), data, name === 'ag.txt' ? { mode: 0o600 } : {});
  for (const f of ['fis_1.bmp', 'fis_2.bmp']) fs.copyFileSync(path.join(pictures, f), inHome(f));
  fs.writeFileSync(board, '');
  child = spawn(dorvan, ['1'], {
    cwd: home,
    env: { ...process.env, QT_QPA_PLATFORM: 'offscreen', LD_PRELOAD: shim, DORVAN_FAKE_BOARD: board },
    stdio: ['ignore', 'inherit', 'inherit'],
  });
  // Listened for at once: a dorvan that dies early must not leave the end waiting forever.
  exited = new Promise((resolve) => child.on('exit', (code) => resolve(code)).on('error', () => resolve(null)));
}

// Started: the journal tells of the board, and of whatever else `marks` name.
export const started = async (what, ...marks) =>
  check(await until(() => ['KART TAKILDI', ...marks].every((m) => read('gunluk.txt').includes(m)), 10000), what);

async function endDorvan() {
  if (!child) return;
  child.kill('SIGTERM');
  const timer = setTimeout(() => child.kill('SIGKILL'), 15000);
  const code = await exited;
  clearTimeout(timer);
  check(code === 0, 'dorvan ended on SIGTERM');
}

// Runs the checks in `body`, whatever it throws counted as one more failure; then ends
// dorvan, calls `after`, shows the journal (always, or when anything failed), keeps the
// home folder for a look after a failure, and exits with the verdict.
export async function run(body, { after = () => {}, journal = 'on failure' } = {}) {
  try {
    await body();
  } catch (e) {
    check(false, 'unexpected: ' + (e.stack || e));
  } finally {
    await endDorvan();
    after();
    if (journal === 'always' || failures) console.log('--- gunluk.txt\n' + read('gunluk.txt'));
    if (!failures) fs.rmSync(home, { recursive: true, force: true });
  }
  process.exit(failures ? 1 : 0);
}
