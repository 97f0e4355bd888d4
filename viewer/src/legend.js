// The defect kinds shown on the model: a colour each, a legend entry with
// its count and a check box that shows or hides it. The labels are those
// the command gives the kinds (the `defects` bits of `check --marked`).

const colours = {
  intersecting: '#ff2020', flipped: '#ff9c1a', border: '#2f8cff', isolated: '#b45cff',
  singular: '#ff3ec8', invalid: '#00d0c0', duplicated: '#a8e000', degree: '#00e5ff',
  NaN: '#ffffff', infinite: '#ffffff', 'singular edge': '#ff3ec8', 'invalid edge': '#00d0c0',
  'duplicated edge': '#2ec27e', 'edge length': '#9e9eff', orientation: '#ff7a7a',
};

export const kindColour = (kind) => colours[kind.label] || '#e6e6e6';

// `onToggle(kind, visible)` is called when a box changes. Returns the boxes
// by kind.
export function buildLegend(container, kinds, onToggle) {
  const boxes = new Map();
  if (kinds.length === 0) return boxes;
  const legend = container.appendChild(document.createElement('div'));
  legend.className = 'legend';
  for (const kind of kinds) {
    const label = legend.appendChild(document.createElement('label'));
    const box = label.appendChild(document.createElement('input'));
    box.type = 'checkbox';
    box.checked = true;
    box.dataset.kind = kind.label;
    boxes.set(kind, box);
    box.addEventListener('change', () => onToggle(kind, box.checked));
    const swatch = label.appendChild(document.createElement('span'));
    swatch.className = 'swatch';
    swatch.style.background = kindColour(kind);
    label.append(`${kind.label} (${kind.count} ${kind.count === 1 ? kind.on.slice(0, -1) : kind.on})`);
  }
  return boxes;
}
