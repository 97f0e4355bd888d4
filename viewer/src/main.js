// The page of `meshaudit report`: one section per checked mesh (per object
// of a 3MF file), each with its view, legend, defect list and tables.
// Every text from the file (names, notes) goes in as textContent, never as
// markup.
import { readArray, readReport } from './data.js';
import { View } from './view.js';
import { buildLegend, kindColour } from './legend.js';
import { buildList } from './list.js';
import { buildTables, heading } from './tables.js';

function button(parent, text, onClick) {
  const b = parent.appendChild(document.createElement('button'));
  b.textContent = text;
  b.addEventListener('click', onClick);
  return b;
}

function buildSection(data, index) {
  const { report } = data;
  const section = document.getElementById('views').appendChild(document.createElement('section'));
  section.className = 'view';
  section.appendChild(document.createElement('h2')).textContent = heading(report);
  const row = section.appendChild(document.createElement('div'));
  row.className = 'row';
  const stage = row.appendChild(document.createElement('div'));
  stage.className = 'stage';
  const panel = row.appendChild(document.createElement('div'));
  panel.className = 'panel';

  const view = new View(stage, readArray(data.positions, Float32Array), readArray(data.triangles, Uint32Array));
  const toolbar = stage.appendChild(document.createElement('div'));
  toolbar.className = 'toolbar';
  button(toolbar, 'Reset', () => view.reset());
  let wireframe = false;
  button(toolbar, 'Wireframe', () => view.setWireframe((wireframe = !wireframe)));

  const overlays = new Map();
  for (const kind of data.kinds) {
    overlays.set(kind, view.addKind(kind.on, readArray(kind.elements, Uint32Array), kindColour(kind)));
  }
  view.start();
  buildLegend(stage, data.kinds, (kind, visible) => view.setVisible(overlays.get(kind), visible));
  buildList(panel, report, (element) => view.select(element));
  buildTables(panel, report);
  section.dataset.view = index;
  return view;
}

const data = readReport();
document.getElementById('profile').textContent =
  `profile ${data.profile}` + (data.settings ? `, settings ${data.settings}` : '') + `, meshaudit ${data.version}`;
const views = data.views.map(buildSection);

// Read-only state for tests and scripts.
window.meshauditViewer = Object.freeze({
  views: views.length,
  cameraPosition: (i = 0) => views[i].cameraPosition(),
});
