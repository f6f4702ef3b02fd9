// DORVAN's window as a page: the same table, the same buttons, read and written
// through the JSON API, and kept current by its event stream. Text is shown with
// textContent only.
'use strict';

const BOXES = [
  ['description', 'AÇIKLAMA', 29, null],
  ['start.date', 'BAŞLANGIÇ TARİH', 10, 'GG.AA.YYYY'],
  ['start.time', 'BAŞLANGIÇ SAAT', 8, 'SS:DD:ss'],
  ['end.date', 'BİTİŞ TARİH', 10, 'GG.AA.YYYY'],
  ['end.time', 'BİTİŞ SAAT', 8, 'SS:DD:ss'],
];
const STAGES = ['KADEME 1', 'KADEME2', 'KADEME3', 'KADEME4', 'KADEME5', 'KADEME6', 'KADEME7'];
const rows = [];
const pending = new Map(); // input → timer of an edit not sent yet

const $ = (id) => document.getElementById(id);
const two = (n) => String(n).padStart(2, '0');
const portName = (p) => 'PORT ' + two(p);

function valueOf(port, key) {
  const [a, b] = key.split('.');
  return b ? port[a][b] : port[a];
}

async function call(method, path, body) {
  const options = { method, headers: {} };
  if (method !== 'GET') {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body || {});
  }
  const response = await fetch(path, options);
  const type = response.headers.get('Content-Type') || '';
  const data = type.startsWith('application/json') ? await response.json() : await response.text();
  if (!response.ok) throw new Error(data && data.error ? data.error : 'HTTP ' + response.status);
  return data;
}

function say(lines) {
  const box = $('messages');
  box.textContent = lines.join('\n');
  box.hidden = lines.length === 0;
}

function buildRows() {
  const list = $('ports');
  for (let p = 1; p <= 10; p++) {
    const li = document.createElement('li');
    li.className = 'port';
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'indicator';
    button.textContent = portName(p);
    button.addEventListener('click', () => switchPort(p));
    li.appendChild(button);
    const inputs = {};
    for (const [key, caption, max, hint] of BOXES) {
      const input = document.createElement('input');
      input.type = 'text';
      input.maxLength = max;
      input.className = key.replace('.', '-');
      input.setAttribute('aria-label', portName(p) + ' ' + caption);
      input.autocomplete = 'off';
      input.spellcheck = false;
      if (hint) input.placeholder = hint;
      input.addEventListener('input', () => editSoon(p, key, input));
      input.addEventListener('change', () => editNow(p, key, input));
      li.appendChild(input);
      inputs[key] = input;
    }
    // The seconds a sun word or a duration names next, worked out by DORVAN.
    const computed = document.createElement('p');
    computed.className = 'computed';
    computed.hidden = true;
    li.appendChild(computed);
    list.appendChild(li);
    rows.push({ button, inputs, computed });
  }
  const nav = $('buttons');
  STAGES.forEach((caption, i) => {
    const b = document.createElement('button');
    b.type = 'button';
    b.className = 'stage';
    b.textContent = caption;
    b.addEventListener('click', () => press('/api/stages/' + (i + 1)));
    nav.appendChild(b);
  });
  const save = document.createElement('button');
  save.type = 'button';
  save.className = 'save';
  save.textContent = 'KAYDET';
  save.addEventListener('click', () => press('/api/save'));
  nav.appendChild(save);
}

function showPort(port) {
  const row = rows[port.port - 1];
  const on = port.state === 'on';
  row.button.classList.toggle('on', on);
  row.button.title = port.tooltip;
  row.button.setAttribute('aria-label', portName(port.port) + ' ' + (on ? 'açık' : 'kapalı') + ', anahtar');
  row.button.setAttribute('aria-pressed', on ? 'true' : 'false');
  for (const [key] of BOXES) {
    const input = row.inputs[key];
    if (document.activeElement !== input && !pending.has(input)) input.value = valueOf(port, key);
    const marked = port.marks.includes(key);
    input.classList.toggle('marked', marked);
    input.title = marked ? port.markTips[key] : '';
    if (marked) input.setAttribute('aria-invalid', 'true');
    else input.removeAttribute('aria-invalid');
  }
  showComputed(row, port);
}

// "2026-12-21T17:26:38+03:00" as the window writes it: "21.12.2026 17:26:38".
function shownAt(iso) {
  const [date, rest] = iso.split('T');
  const [y, m, d] = date.split('-');
  return d + '.' + m + '.' + y + ' ' + rest.slice(0, 8);
}

function showComputed(row, port) {
  const parts = [];
  if (port.start.next) parts.push('açılış ' + shownAt(port.start.next));
  if (port.end.next) parts.push('kapanış ' + shownAt(port.end.next));
  row.computed.textContent = parts.length ? 'Hesaplanan sıradaki: ' + parts.join(', ') : '';
  row.computed.hidden = parts.length === 0;
}

// The program's clock, run on from its last reading: "2026-12-08T07:30:00+03:00" is
// kept as a wall time, so the page shows the computer's time whatever the phone's zone.
let clockOffset = null;
function showClock() {
  if (clockOffset === null) return;
  const t = new Date(Date.now() + clockOffset);
  $('time').textContent = two(t.getUTCHours()) + ':' + two(t.getUTCMinutes()) + ':' + two(t.getUTCSeconds());
  $('date').textContent = two(t.getUTCDate()) + '.' + two(t.getUTCMonth() + 1) + '.' + t.getUTCFullYear();
}
function setClock(time) {
  const [y, mo, d, h, mi, s] = time.slice(0, 19).split(/[-T:]/).map(Number);
  clockOffset = Date.UTC(y, mo - 1, d, h, mi, s) + 500 - Date.now();
  showClock();
}

function showBoard(present) {
  $('board').textContent = present ? 'Kart takılı' : 'Kart takılı değil';
  $('board').className = present ? 'ok' : 'bad';
}

function showStage(stage) {
  $('stage').textContent = stage ? 'KADEME ' + stage : 'Kademe seçilmedi';
  // The chosen stage's button is red, as in the window.
  $('buttons').querySelectorAll('.stage').forEach((b, i) => b.classList.toggle('on', stage === i + 1));
}

function showState(state) {
  setClock(state.time);
  showBoard(state.board);
  showStage(state.stage);
  state.ports.forEach(showPort);
}

function showJournal(text) {
  const pre = $('journal');
  if (pre.textContent === text) return;
  pre.textContent = text;
  pre.scrollTop = pre.scrollHeight;
}

function addJournalLine(line) {
  const lines = ($('journal').textContent + line + '\n').split('\n');
  showJournal(lines.slice(Math.max(0, lines.length - 51)).join('\n'));
}

async function switchPort(p) {
  try {
    showPort(await call('POST', '/api/ports/' + p, { state: 'toggle' }));
  } catch (e) {
    say([e.message]);
  }
}

function editBody(key, value) {
  const [a, b] = key.split('.');
  return b ? { [a]: { [b]: value } } : { [a]: value };
}

function editSoon(p, key, input) {
  clearTimeout(pending.get(input));
  pending.set(input, setTimeout(() => editNow(p, key, input), 400));
}

async function editNow(p, key, input) {
  clearTimeout(pending.get(input));
  pending.set(input, 0);
  try {
    const port = await call('PUT', '/api/ports/' + p, editBody(key, input.value));
    pending.delete(input);
    showPort(port);
  } catch (e) {
    pending.delete(input);
    say([e.message]);
  }
}

async function press(path) {
  try {
    const answer = await call('POST', path);
    say(answer.messages);
  } catch (e) {
    say([e.message]);
  }
  if (!stream) refresh();
}

// Asked once a second, only while the event stream is down.
let busy = false;
async function refresh() {
  if (busy) return;
  busy = true;
  try {
    showState(await call('GET', '/api/state'));
    showJournal(await call('GET', '/api/journal?lines=50'));
    if (!stream) showLink('Canlı bağlantı kesildi; durum her saniye soruluyor.');
  } catch (e) {
    showLink('Programa ulaşılamıyor; yeniden deneniyor…');
  } finally {
    busy = false;
  }
}

function showLink(problem) {
  $('offline').textContent = problem || '';
  $('offline').hidden = !problem;
}

// The event stream: the whole state first, then each change as it happens. While it is
// down the page polls; the browser reconnects by itself, or, refused, it is tried anew.
let stream = null;
let poll = null;
function down() {
  stream = null;
  if (!poll) {
    refresh();
    poll = setInterval(refresh, 1000);
  }
}
function listen() {
  const events = new EventSource('/api/events');
  const on = (name, show) => events.addEventListener(name, (e) => show(JSON.parse(e.data)));
  on('state', (state) => {
    stream = events;
    clearInterval(poll);
    poll = null;
    showLink(null);
    showState(state);
    call('GET', '/api/journal?lines=50').then(showJournal, () => {});
  });
  on('port', showPort);
  on('board', (b) => showBoard(b.board));
  on('stage', (s) => showStage(s.stage));
  on('journal', (j) => addJournalLine(j.line));
  // What the week's picture (week.js) draws may have changed.
  for (const name of ['port', 'stage', 'journal'])
    events.addEventListener(name, () => document.dispatchEvent(new Event('dorvan-changed')));
  events.onerror = () => {
    down();
    if (events.readyState === EventSource.CLOSED) setTimeout(listen, 5000);
  };
}

buildRows();
setInterval(showClock, 250);
if (window.EventSource) listen();
else down();
