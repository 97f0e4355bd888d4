// The defect kinds shown on the model, one per failing quantity that lists
// elements: a legend entry named after the quantity, with its count, its
// colour (each quantity has its own, chosen by the command) and a check box
// that shows or hides it.

export const kindColour = (kind) => kind.colour;

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
