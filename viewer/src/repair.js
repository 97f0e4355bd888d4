// The repair preview's panel: the check of the repaired mesh (its verdict
// and failures, as `check` would judge what `meshaudit repair` writes), the
// lines `meshaudit repair` prints for each step, and the log's counts per
// step. The preview's view and legend are report.js's, from the same data.
import { buildBanner } from './tables.js';

function element(parent, tag, text, className) {
  const e = parent.appendChild(document.createElement(tag));
  if (text !== undefined) e.textContent = text;
  if (className) e.className = className;
  return e;
}

export function buildRepairPanel(panel, repair) {
  element(panel, 'h3', 'Repair preview');
  if (repair.error) return element(panel, 'p', `no preview: ${repair.error}`, 'repair-error');
  if (repair.report) {
    element(panel, 'p', 'The repaired mesh, checked:');
    buildBanner(panel, [repair.report]).classList.add('after');
  }
  const summary = element(panel, 'ul', undefined, 'repair-summary');
  for (const line of repair.summary) element(summary, 'li', line);
  const table = element(panel, 'table', undefined, 'repair-steps');
  const head = element(element(table, 'thead'), 'tr');
  for (const title of ['step', 'triangles', 'points', 'changes']) element(head, 'th', title);
  const body = element(table, 'tbody');
  for (const s of repair.log.steps.filter((s) => s.ran)) {
    const row = element(body, 'tr');
    element(row, 'td', s.step);
    element(row, 'td', `${s.triangles[0]} → ${s.triangles[1]}`);
    element(row, 'td', `${s.points[0]} → ${s.points[1]}`);
    element(row, 'td', `${s.changes}`);
  }
  const { holes_filled: filled, holes_open: open } = repair.log;
  element(panel, 'p', `holes: ${filled} filled, ${open} left open`, 'repair-holes');
}
