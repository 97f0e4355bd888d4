// The text report's tables: a heading, the reader's notes, the size line,
// one table per category with value, criterion and verdict, and the summary.
// The texts come from the command (`text` of each quantity), so the page
// says exactly what `meshaudit check` says.

function element(parent, tag, text, className) {
  const e = parent.appendChild(document.createElement(tag));
  if (text !== undefined) e.textContent = text;
  if (className) e.className = className;
  return e;
}

export function heading(report) {
  const object = report.object ? `  object ${report.object.id} '${report.object.name}'` : '';
  return `${report.file}${object}  (${report.format}, ${report.input.points} points, ${report.input.triangles} triangles)`;
}

// A banner with the verdict of `reports` (the worst of them) and their
// failures in words ("3 holes", "inside-out"), failures without elements too.
export function buildBanner(parent, reports) {
  const order = ['pass', 'fail', 'error'];
  const verdict = reports.map((r) => r.verdict).reduce((a, b) => (order.indexOf(b) > order.indexOf(a) ? b : a), 'pass');
  const banner = element(parent, 'div', undefined, `banner ${verdict}`);
  element(banner, 'strong', verdict.toUpperCase());
  const words = reports.flatMap((r) => r.failures || []);
  if (verdict === 'error' && words.length === 0) words.push(...reports.filter((r) => r.error).map((r) => r.error));
  if (words.length) element(banner, 'span', words.join(', '));
  return banner;
}

export function buildTables(panel, report, categories) {
  if (report.notes.length) {
    const notes = element(panel, 'ul', undefined, 'notes');
    for (const note of report.notes) element(notes, 'li', `note: ${note}`);
  }
  const s = report.scale;
  if (s.diagonal > 0) element(panel, 'p', `size: box diagonal ${s.diagonal.toPrecision(10) * 1}, box volume ${s.box_volume.toPrecision(10) * 1}; Epsilon ${s.epsilon.toPrecision(10) * 1}`);
  for (const category of categories) {
    const table = element(panel, 'table');
    const head = element(element(table, 'thead'), 'tr');
    for (const title of [category, 'value', 'criterion', 'verdict']) element(head, 'th', title);
    const body = element(table, 'tbody');
    for (const [name, q] of Object.entries(report[category])) {
      const row = element(body, 'tr');
      element(row, 'td', name);
      element(row, 'td', q.text.value);
      element(row, 'td', q.text.criterion);
      element(row, 'td', q.text.verdict, q.verdict === 'fail' || q.verdict === 'error' ? 'fail' : q.verdict === 'pass' ? 'pass' : 'skip');
      if (q.note) element(element(body, 'tr'), 'td', `note: ${q.note}`, 'skip').colSpan = 4;
    }
  }
  const t = report.summary;
  const errors = t.errors ? `, ${t.errors} not computed` : '';
  element(panel, 'p', `summary: ${t.passed} passed, ${t.failed} failed, ${t.not_judged} not judged${errors}: ${report.verdict.toUpperCase()}`, 'summary');
}
