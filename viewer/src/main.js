// The page of `meshaudit report`: one section per checked mesh (per object
// of a 3MF file), each with its view, legend, defect list and tables.
// Every text from the file (names, notes) goes in as textContent, never as
// markup.
import { readArray, readReport } from './data.js';
import { View } from './view.js';
import { buildLegend, kindColour } from './legend.js';
import { buildList } from './list.js';
import { buildBanner, buildTables, heading } from './tables.js';

// A browser keeps some 16 WebGL contexts: a file with many objects has a
// view only for those last scrolled to, and makes the others again when
// they come back into sight.
const MAX_LIVE = 8;
const live = [];

function button(parent, text, onClick) {
  const b = parent.appendChild(document.createElement('button'));
  b.textContent = text;
  b.addEventListener('click', onClick);
  return b;
}

// Makes the slot's view (if it has none), with the legend's, the wireframe
// button's and the camera's last state.
function attach(slot) {
  if (slot.view) {
    live.push(...live.splice(live.indexOf(slot), 1));
    return slot.view;
  }
  const { data, stage } = slot;
  const view = new View(stage, readArray(data.positions, Float32Array), readArray(data.triangles, Uint32Array));
  slot.overlays = new Map();
  for (const kind of data.kinds) {
    const overlay = view.addKind(kind.on, readArray(kind.elements, Uint32Array), kindColour(kind));
    overlay.visible = slot.boxes.get(kind).checked;
    slot.overlays.set(kind, overlay);
  }
  view.material.wireframe = slot.wireframe;
  view.start();
  if (slot.camera) view.restore(slot.camera);
  slot.view = view;
  live.push(slot);
  if (live.length > MAX_LIVE) {
    const old = live.shift();
    old.camera = old.view.state();
    old.view.dispose();
    old.view = null;
  }
  return view;
}

function buildSection(data, views, categories) {
  const { report } = data;
  const section = document.getElementById('views').appendChild(document.createElement('section'));
  section.className = 'view';
  section.appendChild(document.createElement('h2')).textContent = heading(report);
  if (views.length > 1) buildBanner(section, [report]);
  const row = section.appendChild(document.createElement('div'));
  row.className = 'row';
  const stage = row.appendChild(document.createElement('div'));
  stage.className = 'stage';
  const panel = row.appendChild(document.createElement('div'));
  panel.className = 'panel';

  const slot = { data, stage, view: null, wireframe: false };
  const toolbar = stage.appendChild(document.createElement('div'));
  toolbar.className = 'toolbar';
  button(toolbar, 'Reset', () => attach(slot).reset());
  button(toolbar, 'Wireframe', () => attach(slot).setWireframe((slot.wireframe = !slot.wireframe)));
  slot.boxes = buildLegend(stage, data.kinds, (kind, visible) => attach(slot).setVisible(slot.overlays.get(kind), visible));
  buildList(panel, report, categories, (element) => attach(slot).select(element));
  buildTables(panel, report, categories);
  return slot;
}

const data = readReport();
document.getElementById('profile').textContent =
  `profile ${data.profile}` + (data.settings ? `, settings ${data.settings}` : '') + `, meshaudit ${data.version}`;
// The verdict first: the worst of the views', with every failure in words.
buildBanner(document.getElementById('verdict'), data.views.map((v) => v.report).concat(data.plate ? [data.plate] : []));
const slots = data.views.map((view, _, views) => buildSection(view, views, data.categories));
// A 3MF build plate: its items and the pairs that overlap, without a view.
if (data.plate) {
  const section = document.getElementById('views').appendChild(document.createElement('section'));
  section.className = 'plate';
  section.appendChild(document.createElement('h2')).textContent =
    `${data.plate.file}  build plate (${data.plate.plate.items.length} items)`;
  buildBanner(section, [data.plate]);
  const panel = section.appendChild(document.createElement('div'));
  panel.className = 'panel';
  const items = panel.appendChild(document.createElement('ol'));
  items.start = 0;
  for (const item of data.plate.plate.items) {
    items.appendChild(document.createElement('li')).textContent =
      `object ${item.object.id} '${item.object.name}'${item.mirrored ? ', mirrored' : ''}`;
  }
  buildList(panel, data.plate, ['build'], () => {});
  buildTables(panel, data.plate, ['build']);
}
slots.slice(0, MAX_LIVE).forEach(attach);
const sight = new IntersectionObserver((entries) => {
  for (const entry of entries) if (entry.isIntersecting) attach(slots.find((s) => s.stage === entry.target));
});
slots.forEach((slot) => sight.observe(slot.stage));

// Read-only state for tests and scripts.
window.meshauditViewer = Object.freeze({
  views: slots.length,
  cameraPosition: (i = 0) => attach(slots[i]).cameraPosition(),
});
