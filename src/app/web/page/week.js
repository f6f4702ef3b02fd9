// The week at a glance: a bar for each port over fifteen days, when it was on in the
// last seven (from the journal) and when it will be on until the end of the seventh day
// from now (from its windows), drawn as SVG by this script. Descriptions go in as text
// only. Drawn anew when the live events tell of a change, and each minute.
'use strict';

(() => {
  const SVG = 'http://www.w3.org/2000/svg';
  const WEEKDAYS = ['Pz', 'Pt', 'Sa', 'Ça', 'Pe', 'Cu', 'Ct'];
  const DAY = 86400000;
  const HEAD = 30; // the days' names and dates
  const LABEL = 16; // a port's name and description, above its bar
  const BAR = 14;
  const ROW = LABEL + BAR + 6;
  const NARROWEST_DAY = 44; // below this a phone scrolls sideways
  const ON = '#c00';
  const box = document.getElementById('week');
  const two = (n) => String(n).padStart(2, '0');
  let shown = null; // the last answers drawn, for a resize
  let drawnOnce = false;

  // "2026-12-08T07:30:00+03:00" as the program's clock showed it: wall time, whatever
  // the phone's zone, so that every day is as wide as the next.
  function wall(iso) {
    const [y, mo, d, h, mi, s] = iso.slice(0, 19).split(/[-T:]/).map(Number);
    return Date.UTC(y, mo - 1, d, h, mi, s);
  }
  const dayText = (t) => {
    const d = new Date(t);
    return two(d.getUTCDate()) + '.' + two(d.getUTCMonth() + 1);
  };
  const timeText = (t) => {
    const d = new Date(t);
    return two(d.getUTCHours()) + ':' + two(d.getUTCMinutes());
  };

  function add(parent, name, attributes, text) {
    const e = document.createElementNS(SVG, name);
    for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
    if (text !== undefined) e.textContent = text;
    parent.appendChild(e);
    return e;
  }

  // Stripes for what is planned, solid for what was: the two halves apart even in grey.
  function addStripes(svg) {
    const defs = add(svg, 'defs', {});
    const p = add(defs, 'pattern', { id: 'week-planned', width: 6, height: 6, patternUnits: 'userSpaceOnUse',
                                     patternTransform: 'rotate(45)' });
    add(p, 'rect', { width: 6, height: 6, fill: '#fff' });
    add(p, 'rect', { width: 3, height: 6, fill: ON });
  }

  function addDays(svg, from, days, dayWidth, height, today) {
    for (let i = 0; i < days; i++) {
      const t = from + i * DAY;
      if (t === today) add(svg, 'rect', { x: i * dayWidth, y: 0, width: dayWidth, height, fill: '#fff', opacity: 0.5 });
      add(svg, 'text', { x: i * dayWidth + 3, y: 12, 'font-size': 11 }, WEEKDAYS[new Date(t).getUTCDay()]);
      add(svg, 'text', { x: i * dayWidth + 3, y: 24, 'font-size': 11 }, dayText(t));
    }
    for (let i = 0; i <= days; i++)
      add(svg, 'line', { x1: i * dayWidth, x2: i * dayWidth, y1: 0, y2: height, stroke: '#778', 'stroke-width': 1 });
  }

  function addBars(svg, kind, port, intervals, x, y, name) {
    for (const [on, off] of intervals) {
      const a = x(wall(on));
      const b = x(wall(off));
      const bar = add(svg, 'rect', { class: 'week-' + kind, 'data-port': port, x: a, y, width: Math.max(b - a, 1),
                                     height: BAR, fill: kind === 'past' ? ON : 'url(#week-planned)', stroke: ON });
      add(bar, 'title', {}, name + ': ' + dayText(wall(on)) + ' ' + timeText(wall(on)) + ' – ' +
          dayText(wall(off)) + ' ' + timeText(wall(off)) + (kind === 'past' ? ' (açıktı)' : ' (açılacak)'));
    }
  }

  function draw(week, descriptions) {
    const from = wall(week.from);
    const to = wall(week.to);
    const now = wall(week.now);
    const days = Math.round((to - from) / DAY);
    const dayWidth = Math.max(NARROWEST_DAY, Math.floor(box.clientWidth / days));
    const width = dayWidth * days;
    const height = HEAD + ROW * week.ports.length;
    const x = (t) => ((t - from) / (to - from)) * width;
    const svg = document.createElementNS(SVG, 'svg');
    for (const [k, v] of Object.entries({ width, height, viewBox: `0 0 ${width} ${height}`, role: 'img',
                                          'aria-label': 'Son 7 gün ve sonraki 7 gün, port port' }))
      svg.setAttribute(k, v);
    addStripes(svg);
    addDays(svg, from, days, dayWidth, height, now - ((now - from) % DAY));
    const labels = document.createElementNS(SVG, 'g');
    week.ports.forEach((p, i) => {
      const y = HEAD + i * ROW;
      const name = 'PORT ' + two(p.port) + (descriptions[i] ? ' ' + descriptions[i] : '');
      add(svg, 'rect', { x: 0, y: y + LABEL, width: x(now), height: BAR, fill: '#e8e8e8' });
      add(svg, 'rect', { x: x(now), y: y + LABEL, width: width - x(now), height: BAR, fill: '#fff' });
      addBars(svg, 'past', p.port, p.past, x, y + LABEL, name);
      addBars(svg, 'planned', p.port, p.planned, x, y + LABEL, name);
      // Edged in the background's colour, so that the day lines stop short of the letters.
      add(labels, 'text', { x: 4, y: y + LABEL - 3, 'font-size': 12, stroke: '#f4f6fc', 'stroke-width': 3,
                            'paint-order': 'stroke' }, name);
    });
    svg.appendChild(labels);
    add(svg, 'line', { class: 'week-now', x1: x(now), x2: x(now), y1: HEAD - 4, y2: height, stroke: '#00c',
                       'stroke-width': 2 });
    const keep = box.scrollLeft;
    box.replaceChildren(svg);
    // The names stay in sight while the days scroll under them.
    const follow = () => labels.setAttribute('transform', `translate(${box.scrollLeft},0)`);
    box.onscroll = follow;
    // A phone first sees the day before and the days after now.
    box.scrollLeft = drawnOnce ? keep : Math.max(0, x(now) - dayWidth * 1.5);
    follow();
    drawnOnce = true;
  }

  async function get(path) {
    const response = await fetch(path);
    if (!response.ok) throw new Error('HTTP ' + response.status);
    return response.json();
  }

  let soon = null;
  async function refresh() {
    clearTimeout(soon);
    soon = null;
    try {
      const [week, state] = await Promise.all([get('/api/week'), get('/api/state')]);
      shown = [week, state.ports.map((p) => p.description)];
      draw(...shown);
    } catch (e) {
      // The page's own line at the bottom tells that the program cannot be reached.
    }
  }

  // A burst of events (a stage loaded, ten ports switched) is one drawing.
  document.addEventListener('dorvan-changed', () => {
    if (!soon) soon = setTimeout(refresh, 1000);
  });
  window.addEventListener('resize', () => shown && draw(...shown));
  setInterval(refresh, 60000);
  refresh();
})();
