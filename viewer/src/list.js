// The located defects, grouped by quantity: one button per listed element,
// which frames and highlights it in the view. `kind` says what an entry of
// the quantity's list holds (the `where` column of meshaudit.h).

// The points and triangles of entry `i` of a list, and its text.
export function elementOf(kind, entry, i, faces) {
  const e = Array.isArray(entry) ? entry : [entry];
  // A file of polygons: the triangle's face in the file, and its part.
  const pairs = faces === undefined ? [] : Array.isArray(faces[0]) ? faces : [faces];
  const face = (j) => (pairs[j] ? ` (face ${pairs[j][0]}${pairs[j][1] ? `, part ${pairs[j][1]}` : ''})` : '');
  switch (kind) {
    case 'POINTS':
    case 'POINT_CLASSES':
      return { points: [e[0]], text: e.length > 1 ? `${e[0]} of class ${e[1]}` : `${e[0]}` };
    case 'EDGES':
    case 'EDGE_CLASSES':
      return { points: [e[0], e[1]], text: `${e[0]}-${e[1]}` + (e.length > 2 ? ` of class ${e[2]}` : '') };
    case 'TRIANGLES':
    case 'TRIANGLE_CLASSES':
      return { triangles: [e[0]], text: e.length > 1 ? `${e[0]}${face(0)} of class ${e[1]}` : `${e[0]}${face(0)}` };
    case 'TRIANGLE_PAIRS':
      return { triangles: [e[0], e[1]], text: `${e[0]}${face(0)} and ${e[1]}${face(1)}` };
    case 'LOOPS':
      return { points: [e[1]], text: `loop ${e[0]} point ${e[1]}` };
    case 'COMPONENTS':
      return { triangles: [i], text: `triangle ${i}${face(0)} in ${e[0]}` };
    case 'SHELLS':
    case 'NESTED_SHELLS':
      return { triangles: [e[0]], text: `${e[0]}${face(0)} in shell ${e[1]}` + (e.length > 2 ? ` inside shell ${e[2]}` : '') };
    case 'ITEM_PAIRS': {
      const how = e[2] === 1 ? `item ${e[0]} inside item ${e[1]}` : e[2] === 2 ? `item ${e[1]} inside item ${e[0]}` : `items ${e[0]} and ${e[1]} meet`;
      return { text: `${how} (triangles ${e[3]} and ${e[4]})` };
    }
    case 'SHELL_PAIRS':
      return { triangles: [e[0], e[1]], text: `${e[0]}${face(0)} and ${e[1]}${face(1)} (shells ${e[2]} and ${e[3]})` };
  }
  return { text: JSON.stringify(entry) };
}

// `onSelect(element)` is called with the element of the clicked entry.
export function buildList(panel, report, categories, onSelect) {
  const box = panel.appendChild(document.createElement('div'));
  box.className = 'defects';
  box.appendChild(document.createElement('h3')).textContent = 'Defects';
  let selected = null;
  for (const category of categories) {
    for (const [name, q] of Object.entries(report[category] || {})) {
      if (q.verdict !== 'fail' || !q.where || q.where_total === 0) continue;
      const group = box.appendChild(document.createElement('details'));
      group.open = true;
      const shown = q.where.length < q.where_total ? `${q.where.length} of ${q.where_total}` : `${q.where_total}`;
      group.appendChild(document.createElement('summary')).textContent = `${category} ${name}: ${shown}`;
      q.where.forEach((entry, i) => {
        const element = elementOf(q.where_kind, entry, i, q.where_faces?.[i]);
        const button = group.appendChild(document.createElement('button'));
        button.textContent = element.text;
        button.addEventListener('click', () => {
          selected?.classList.remove('selected');
          (selected = button).classList.add('selected');
          onSelect(element);
        });
      });
    }
  }
  if (!box.querySelector('details')) box.appendChild(document.createElement('p')).textContent = 'No failing quantity lists elements.';
}
