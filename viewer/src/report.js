// The views of a checked file, built from the report data that the command
// makes (HtmlReport.cpp's ReportDocument): one section per checked mesh (per
// object of a 3MF file), each with its view, legend, defect list and
// tables. The report page reads that data from itself, the checker page
// from its worker; `arrayOf(id, Type)` gives the typed array named `id`.
// Every text from the file (names, notes) goes in as textContent, never as
// markup.
import { View } from './view.js';
import { buildLegend, kindColour } from './legend.js';
import { buildList } from './list.js';
import { buildBanner, buildTables, heading } from './tables.js';
import { buildRepairPanel } from './repair.js';

// A browser keeps some 16 WebGL contexts: a page with many views has a
// live one only for those last scrolled to, and makes the others again
// when they come back into sight. Shared by every report on the page.
const MAX_LIVE = 8;
const live = [];

function button(parent, text, onClick) {
  const b = parent.appendChild(document.createElement('button'));
  b.textContent = text;
  b.addEventListener('click', onClick);
  return b;
}

// The input's points, then those resolving intersections added.
function repairedPositions(slot) {
  const { data: { repair, positions }, arrayOf } = slot;
  const input = arrayOf(positions, Float32Array);
  if (!repair.positions) return input;
  const added = arrayOf(repair.positions, Float32Array);
  const all = new Float32Array(input.length + added.length);
  all.set(input);
  all.set(added, input.length);
  return all;
}

// The repaired triangles, on the input's points: the input's first
// `shared` triangles, then those the page holds for the preview.
function repaired(slot) {
  if (slot.repaired) return slot.repaired;
  const { data: { repair, triangles }, arrayOf } = slot;
  const tail = arrayOf(repair.triangles, Uint32Array);
  slot.repaired = new Uint32Array(3 * repair.shared + tail.length);
  slot.repaired.set(arrayOf(triangles, Uint32Array).subarray(0, 3 * repair.shared));
  slot.repaired.set(tail, 3 * repair.shared);
  return slot.repaired;
}

// Gives the slot's view its WebGL context back, keeping the camera.
function detach(slot) {
  if (!slot.view) return;
  live.splice(live.indexOf(slot), 1);
  slot.camera = slot.view.state();
  slot.view.dispose();
  slot.view = null;
}

// Makes the slot's view (if it has none), with the legend's, the wireframe
// button's and the camera's last state.
function attach(slot) {
  if (slot.view) {
    live.push(...live.splice(live.indexOf(slot), 1));
    return slot.view;
  }
  const { data, stage, arrayOf } = slot;
  const shown = slot.mode === 'repair' ? data.repair : data;
  const view = new View(stage, shown === data ? arrayOf(data.positions, Float32Array) : repairedPositions(slot),
    shown === data ? arrayOf(data.triangles, Uint32Array) : repaired(slot));
  slot.overlays = new Map();
  for (const kind of shown.kinds) {
    const overlay = view.addKind(kind.on, arrayOf(kind.elements, Uint32Array), kindColour(kind), kind.corners);
    overlay.visible = slot.boxes.get(kind).checked;
    slot.overlays.set(kind, overlay);
  }
  view.material.wireframe = slot.wireframe;
  view.start();
  if (slot.camera) view.restore(slot.camera);
  slot.view = view;
  live.push(slot);
  if (live.length > MAX_LIVE) detach(live[0]);
  return view;
}

function buildSection(parent, data, views, categories, arrayOf) {
  const { report } = data;
  const section = parent.appendChild(document.createElement('section'));
  section.className = 'view';
  section.appendChild(document.createElement('h2')).textContent = heading(report);
  if (views.length > 1) buildBanner(section, [report]);
  const row = section.appendChild(document.createElement('div'));
  row.className = 'row';
  const stage = row.appendChild(document.createElement('div'));
  stage.className = 'stage';
  const panel = row.appendChild(document.createElement('div'));
  panel.className = 'panel';

  const slot = { data, stage, arrayOf, view: null, wireframe: false, mode: 'defects' };
  const toolbar = stage.appendChild(document.createElement('div'));
  toolbar.className = 'toolbar';
  button(toolbar, 'Reset', () => attach(slot).reset());
  button(toolbar, 'Wireframe', () => attach(slot).setWireframe((slot.wireframe = !slot.wireframe)));
  const toggle = (kind, visible) => attach(slot).setVisible(slot.overlays.get(kind), visible);
  // Each mode has its own legend and panel, in boxes shown one at a time.
  const modes = { defects: { legend: stage.appendChild(document.createElement('div')), panel: panel.appendChild(document.createElement('div')) } };
  slot.boxes = buildLegend(modes.defects.legend, data.kinds, toggle);
  buildList(modes.defects.panel, report, categories, (element) => attach(slot).select(element));
  buildTables(modes.defects.panel, report, categories);
  if (data.repair) {
    modes.repair = { legend: stage.appendChild(document.createElement('div')), panel: panel.appendChild(document.createElement('div')) };
    for (const [kind, box] of buildLegend(modes.repair.legend, data.repair.kinds || [], toggle)) slot.boxes.set(kind, box);
    buildRepairPanel(modes.repair.panel, data.repair);
    const switches = toolbar.appendChild(document.createElement('span'));
    switches.className = 'modes';
    const show = (mode) => {
      for (const [name, m] of Object.entries(modes)) {
        m.legend.hidden = m.panel.hidden = name !== mode;
        m.button.setAttribute('aria-pressed', `${name === mode}`);
      }
      if (slot.mode === mode) return;
      slot.mode = mode;
      detach(slot);
      attach(slot);
    };
    modes.defects.button = button(switches, 'Defects', () => show('defects'));
    modes.repair.button = button(switches, 'Repair preview', () => show('repair'));
    modes.repair.button.disabled = !!data.repair.error;
    modes.repair.button.title = data.repair.error || 'the mesh as meshaudit repair would leave it';
    show('defects');
  }
  return slot;
}

// A 3MF build plate: its items and the pairs that overlap, without a view.
function buildPlate(parent, plate) {
  const section = parent.appendChild(document.createElement('section'));
  section.className = 'plate';
  section.appendChild(document.createElement('h2')).textContent = `${plate.file}  build plate (${plate.plate.items.length} items)`;
  buildBanner(section, [plate]);
  const panel = section.appendChild(document.createElement('div'));
  panel.className = 'panel';
  const items = panel.appendChild(document.createElement('ol'));
  items.start = 0;
  for (const item of plate.plate.items) {
    items.appendChild(document.createElement('li')).textContent =
      `object ${item.object.id} '${item.object.name}'${item.mirrored ? ', mirrored' : ''}`;
  }
  buildList(panel, plate, ['build'], () => {});
  buildTables(panel, plate, ['build']);
}

// The profile line in `places.profile`, the verdict (the worst of the
// views', with every failure in words) in `places.verdict`, and the views
// in `places.views`. The views are made live once `showViews` runs (at
// once unless `deferViews`), so that the verdict can be seen first.
// Returns read-only state for tests and scripts, and `dispose`, which
// gives every WebGL context of these views back.
export function showReport(places, data, arrayOf, { deferViews = false } = {}) {
  places.profile.textContent =
    `profile ${data.profile}` + (data.settings ? `, settings ${data.settings}` : '') + `, meshaudit ${data.version}`;
  buildBanner(places.verdict, data.views.map((v) => v.report).concat(data.plate ? [data.plate] : []));
  const slots = data.views.map((view, _, views) => buildSection(places.views, view, views, data.categories, arrayOf));
  if (data.plate) buildPlate(places.views, data.plate);
  const sight = new IntersectionObserver((entries) => {
    for (const entry of entries) if (entry.isIntersecting) attach(slots.find((s) => s.stage === entry.target));
  });
  const showViews = () => {
    slots.slice(0, MAX_LIVE).forEach(attach);
    slots.forEach((slot) => sight.observe(slot.stage));
  };
  if (!deferViews) showViews();
  return {
    views: slots.length,
    cameraPosition: (i = 0) => attach(slots[i]).cameraPosition(),
    showViews,
    dispose: () => {
      sight.disconnect();
      slots.forEach(detach);
    },
  };
}
