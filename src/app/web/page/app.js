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
// An extra window's boxes: the row's four, its names the row's with "EK n" before them.
const WINDOW_BOXES = BOXES.slice(1);
const MAX_EXTRAS = 8;
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

// What a stage file can hold, as the program keeps it: Windows-1254 without the control
// characters; an extra window's box holds no ';' either, since its line is cut at each one.
const HIGH = '€‚ƒ„…†‡ˆ‰Š‹Œ‘’“”•–—˜™š›œŸĞİŞğış';
const NOT_TURKISH = 'ÐÝÞðýþ';
function fitsStageFile(c) {
  if (c >= ' ' && c <= '~') return c !== ';';
  if (c >= '\u00a0' && c <= '\u00ff') return !NOT_TURKISH.includes(c);
  return HIGH.includes(c);
}

function say(lines) {
  const box = $('messages');
  box.textContent = lines.join('\n');
  box.hidden = lines.length === 0;
}

function makeButton(className, caption, label, onClick) {
  const b = document.createElement('button');
  b.type = 'button';
  b.className = className;
  b.textContent = caption;
  if (label) b.setAttribute('aria-label', label);
  b.addEventListener('click', onClick);
  return b;
}

// A schedule box, named for screen readers as the window names it: "PORT 05 EK 1 BAŞLANGIÇ TARİH".
function makeBox(owner, key, caption, max, hint) {
  const input = document.createElement('input');
  input.type = 'text';
  input.maxLength = max;
  input.className = key.replace('.', '-');
  input.setAttribute('aria-label', owner + ' ' + caption);
  input.autocomplete = 'off';
  input.spellcheck = false;
  if (hint) input.placeholder = hint;
  return input;
}

// The seconds a sun word or a duration names next, worked out by DORVAN.
function makeComputed() {
  const computed = document.createElement('p');
  computed.className = 'computed';
  computed.hidden = true;
  return computed;
}

function buildRows() {
  const list = $('ports');
  for (let p = 1; p <= 10; p++) {
    const li = document.createElement('li');
    li.className = 'port';
    const button = makeButton('indicator', portName(p), null, () => switchPort(p));
    li.appendChild(button);
    const inputs = {};
    for (const [key, caption, max, hint] of BOXES) {
      const input = makeBox(portName(p), key, caption, max, hint);
      input.addEventListener('input', () => editSoon(p, key, input));
      input.addEventListener('change', () => editNow(p, key, input));
      li.appendChild(input);
      inputs[key] = input;
    }
    const computed = makeComputed();
    li.appendChild(computed);
    const extras = document.createElement('div');
    extras.className = 'extras';
    li.appendChild(extras);
    const add = makeButton('extra-add', 'EK EKLE', portName(p) + ' EK EKLE', async () => {
      await sendExtras(p, [...typedExtras(p), emptyWindow()]);
      rows[p - 1].windows.at(-1)?.inputs['start.date'].focus();
    });
    li.appendChild(add);
    list.appendChild(li);
    rows.push({ button, inputs, computed, extras, add, windows: [] });
  }
  const nav = $('buttons');
  STAGES.forEach((caption, i) =>
    nav.appendChild(makeButton('stage', caption, null, () => press('/api/stages/' + (i + 1)))));
  nav.appendChild(makeButton('save', 'KAYDET', null, () => press('/api/save')));
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
    showMarks(input, port, key);
  }
  showComputed(row, port);
  showExtras(port);
}

function showMarks(input, w, key) {
  const marked = w.marks.includes(key);
  input.classList.toggle('marked', marked);
  input.title = marked ? w.markTips[key] : '';
  if (marked) input.setAttribute('aria-invalid', 'true');
  else input.removeAttribute('aria-invalid');
}

// One extra window under the row: "EK n", its four boxes and its SİL.
function buildWindow(p, row) {
  const n = row.windows.length + 1;
  const name = portName(p) + ' EK ' + n;
  const box = document.createElement('div');
  box.className = 'extra';
  const label = document.createElement('span');
  label.className = 'extra-label';
  label.textContent = 'EK ' + n;
  box.appendChild(label);
  const remove = makeButton('extra-remove', 'SİL', name + ' SİL', () =>
    sendExtras(p, typedExtras(p).filter((_, i) => i !== n - 1)).then(() => row.add.focus()));
  box.appendChild(remove);
  const inputs = {};
  for (const [key, caption, max, hint] of WINDOW_BOXES) {
    const input = makeBox(name, key, caption, max, hint);
    input.addEventListener('input', () => {
      keepWhatFits(input);
      editExtrasSoon(p, input);
    });
    input.addEventListener('change', () => editExtrasNow(p, input));
    box.appendChild(input);
    inputs[key] = input;
  }
  const computed = makeComputed();
  box.appendChild(computed);
  row.extras.appendChild(box);
  row.windows.push({ box, inputs, computed });
}

// A character the stage file cannot hold is refused where it is typed, the caret kept.
function keepWhatFits(input) {
  const kept = [...input.value].filter(fitsStageFile).join('');
  if (kept === input.value) return;
  const caret = input.selectionStart - (input.value.length - kept.length);
  input.value = kept;
  input.setSelectionRange(Math.max(0, caret), Math.max(0, caret));
}

function showExtras(port) {
  const row = rows[port.port - 1];
  const list = port.extra || [];
  while (row.windows.length < list.length) buildWindow(port.port, row);
  while (row.windows.length > list.length) {
    const gone = row.windows.pop();
    for (const input of Object.values(gone.inputs)) {
      clearTimeout(pending.get(input));
      pending.delete(input);
    }
    gone.box.remove();
  }
  list.forEach((w, i) => {
    const shown = row.windows[i];
    for (const [key] of WINDOW_BOXES) {
      const input = shown.inputs[key];
      if (document.activeElement !== input && !pending.has(input)) input.value = valueOf(w, key);
      showMarks(input, w, key);
    }
    showComputed(shown, w);
  });
  row.add.disabled = list.length >= MAX_EXTRAS;
}

function emptyWindow() {
  return { start: { date: '', time: '' }, end: { date: '', time: '' } };
}

// The port's extra windows as they stand in the boxes, typing not yet sent included.
function typedExtras(p) {
  return rows[p - 1].windows.map(({ inputs }) => ({
    start: { date: inputs['start.date'].value, time: inputs['start.time'].value },
    end: { date: inputs['end.date'].value, time: inputs['end.time'].value },
  }));
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

// The whole list goes each time: the program keeps a port's extra windows as one.
function editExtrasSoon(p, input) {
  clearTimeout(pending.get(input));
  pending.set(input, setTimeout(() => editExtrasNow(p, input), 400));
}

function editExtrasNow(p, input) {
  clearTimeout(pending.get(input));
  pending.set(input, 0);
  sendExtras(p, typedExtras(p)).finally(() => pending.delete(input));
}

async function sendExtras(p, list) {
  try {
    showPort(await call('PUT', '/api/ports/' + p, { extra: list }));
  } catch (e) {
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
