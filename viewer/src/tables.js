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

export function buildTables(panel, report) {
  if (report.notes.length) {
    const notes = element(panel, 'ul', undefined, 'notes');
    for (const note of report.notes) element(notes, 'li', `note: ${note}`);
  }
  const s = report.scale;
  if (s.diagonal > 0) element(panel, 'p', `size: box diagonal ${s.diagonal.toPrecision(10) * 1}, box volume ${s.box_volume.toPrecision(10) * 1}; Epsilon ${s.epsilon.toPrecision(10) * 1}`);
  for (const category of ['points', 'edges', 'triangles', 'mesh']) {
    const table = element(panel, 'table');
    const head = element(element(table, 'thead'), 'tr');
    for (const title of [category, 'value', 'criterion', 'verdict']) element(head, 'th', title);
    const body = element(table, 'tbody');
    for (const [name, q] of Object.entries(report[category])) {
      const row = element(body, 'tr');
      element(row, 'td', name);
      element(row, 'td', q.text.value);
      element(row, 'td', q.text.criterion);
      element(row, 'td', q.text.verdict, q.verdict === 'fail' ? 'fail' : q.verdict === 'pass' ? 'pass' : 'skip');
    }
  }
  const t = report.summary;
  element(panel, 'p', `summary: ${t.passed} passed, ${t.failed} failed, ${t.not_judged} not judged: ${report.verdict.toUpperCase()}`, 'summary');
}
