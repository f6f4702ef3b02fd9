// The page's server under load: the real dorvan offscreen with the stand-in board,
// asked GET /api/state by autocannon (npm) over kept-alive connections on 127.0.0.1,
// then the same with 50 event streams open. Prints the latencies and the rate.
//   node bench/web_load.mjs build/linux/src/app/qt/dorvan build/linux/tests/package/libfake_hidapi.so \
//        build/linux/gen build/node/node_modules [connections] [seconds]
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

const [dorvan, shim, pictures, nodeModules] = process.argv.slice(2, 6).map((p) => path.resolve(p));
const [connections = '10', seconds = '10'] = process.argv.slice(6);
const autocannon = createRequire(path.resolve(nodeModules, 'x'))('autocannon');
const home = fs.mkdtempSync(path.join(os.tmpdir(), 'dorvan-load-'));
const port = await new Promise((resolve) => {
  const s = net.createServer().listen(0, '127.0.0.1', () => {
    const p = s.address().port;
    s.close(() => resolve(p));
  });
});
fs.writeFileSync(path.join(home, 'kademe1.txt'), '\r\n'.repeat(50));
fs.writeFileSync(path.join(home, 'ag.txt'), `web = 127.0.0.1:${port}\nweb_parola = gizli\n`, { mode: 0o600 });
for (const f of ['fis_1.bmp', 'fis_2.bmp']) fs.copyFileSync(path.join(pictures, f), path.join(home, f));
fs.writeFileSync(path.join(home, 'board'), '');
const child = spawn(dorvan, ['1'], {
  cwd: home,
  env: { ...process.env, QT_QPA_PLATFORM: 'offscreen', LD_PRELOAD: shim, DORVAN_FAKE_BOARD: path.join(home, 'board') },
  stdio: 'ignore',
});
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const headers = { Authorization: 'Basic ' + Buffer.from('bench:gizli').toString('base64') };

async function load(title) {
  const r = await autocannon({ url: `http://127.0.0.1:${port}/api/state`, connections: Number(connections),
                               duration: Number(seconds), headers });
  console.log(`${title}: ${r.requests.average.toFixed(0)} requests/s, latency p50 ${r.latency.p50} ms, ` +
              `p97.5 ${r.latency.p97_5} ms, p99 ${r.latency.p99} ms, max ${r.latency.max} ms, ` +
              `${r.non2xx} not 2xx, ${r.errors} errors`);
}

try {
  for (let i = 0; i < 100 && !fs.existsSync(path.join(home, 'gunluk.txt')); i++) await sleep(100);
  await sleep(1000);
  await load(`${connections} kept-alive connections, ${seconds} s`);
  const streams = [];
  for (let i = 1; i <= 50; i++) {
    streams.push(http.get({ host: '127.0.0.1', port, path: '/api/events', headers, localAddress: `127.0.2.${i}`,
                            agent: false }, (res) => res.resume()));
  }
  await sleep(1000);
  await load(`the same beside 50 open event streams`);
  for (const s of streams) s.destroy();
} finally {
  child.kill('SIGTERM');
  await new Promise((resolve) => child.on('exit', resolve));
  fs.rmSync(home, { recursive: true, force: true });
}
