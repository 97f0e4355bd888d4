// `meshaudit report` pages in headless Chromium: they load without a console
// message, draw the mesh, colour intersecting triangles (and nothing on a
// clean mesh), frame a clicked defect, hide a kind with its legend box,
// show hostile names as text, give a 3MF object a view each, and preview
// the repair with what it changes.
//   MESHAUDIT=build/release/cli/meshaudit node --test viewer/tests/
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { chromium } from 'playwright-core';
import { strToU8, zipSync } from 'three/examples/jsm/libs/fflate.module.js';

const command = resolve(process.env.MESHAUDIT || 'build/release/cli/meshaudit');
const dir = mkdtempSync(join(tmpdir(), 'meshaudit-report-'));
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  // As root in a container Chromium needs no sandbox; WebGL runs on SwiftShader.
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
after(async () => {
  await browser.close();
  rmSync(dir, { recursive: true });
});

const off = (points, faces) =>
  `OFF\n${points.length} ${faces.length} 0\n${[...points, ...faces.map((f) => [3, ...f])].map((r) => r.join(' ')).join('\n')}\n`;
const tetPoints = [[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]];
const tetFaces = [[0, 2, 1], [0, 1, 3], [0, 3, 2], [1, 2, 3]];
// Two pairs of crossing triangles: in each, the second stands across the
// first; and a NaN point, which must not upset the page.
const crossing = off([[0, 0, 0], [2, 0, 0], [0, 2, 0], [0.3, 0.3, -1], [0.3, 0.3, 1], [1.2, 0.3, 0],
  [3, 0, 0], [5, 0, 0], [3, 2, 0], [3.3, 0.3, -1], [3.3, 0.3, 1], [4.2, 0.3, 0], [NaN, 0, 0]], [[0, 1, 2], [3, 4, 5], [6, 7, 8], [9, 10, 11]]);

// Runs the command; returns its exit status.
const report = (input, output, ...options) =>
  spawnSync(command, ['report', '-q', input, '-o', output, ...options]).status;

// Opens a page, failing on any console message or page error.
async function open(file) {
  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const messages = [];
  page.on('console', (m) => ['error', 'warning'].includes(m.type()) && messages.push(`${m.type()}: ${m.text()}`));
  // Offline: nothing but the file itself is fetched.
  page.on('request', (r) => r.url() === `file://${file}` || messages.push(`request: ${r.url()}`));
  page.on('pageerror', (e) => messages.push(`error: ${e.message}`));
  await page.goto(`file://${file}`);
  await page.waitForFunction(() => window.meshauditViewer);
  return { page, messages };
}

// Pixels of view i's canvas: [differing from the background, near one of
// `colours` ("rgb(r, g, b)" texts)].
const pixels = (page, i = 0, colours = []) => page.evaluate(([i, colours]) => {
  const canvas = document.querySelectorAll('section.view')[i].querySelector('canvas');
  const copy = Object.assign(document.createElement('canvas'), { width: canvas.width, height: canvas.height });
  const context = copy.getContext('2d');
  context.drawImage(canvas, 0, 0);
  const d = context.getImageData(0, 0, copy.width, copy.height).data;
  const targets = colours.map((c) => c.match(/\d+/g).map(Number));
  let drawn = 0, near = 0;
  for (let i = 0; i < d.length; i += 4) {
    drawn += Math.abs(d[i] - 0x20) + Math.abs(d[i + 1] - 0x24) + Math.abs(d[i + 2] - 0x2c) > 30;
    near += targets.some((t) => Math.abs(d[i] - t[0]) + Math.abs(d[i + 1] - t[1]) + Math.abs(d[i + 2] - t[2]) < 40);
  }
  return [drawn, near];
}, [i, colours]);

// The legend's entries: [name, swatch colour].
const legend = (page) => page.locator('.legend label').evaluateAll((labels) => labels.map((l) =>
  [l.querySelector('input').dataset.kind, getComputedStyle(l.querySelector('.swatch')).backgroundColor]));

test('crossing triangles: coloured, listed in pairs, framed on click, hidden by the legend', async () => {
  writeFileSync(join(dir, 'cross.off'), crossing);
  assert.equal(report(join(dir, 'cross.off'), join(dir, 'cross.html'), '--profile', 'surface', '--max-items', '1'), 1);
  const { page, messages } = await open(join(dir, 'cross.html'));
  // The verdict leads, in words; each legend entry is named after its
  // quantity and has a colour of its own.
  assert.match(await page.locator('#verdict .banner').textContent(), /^FAIL.*4 intersecting triangles.*self-intersecting/);
  const kinds = await legend(page);
  assert.equal(new Set(kinds.map(([, colour]) => colour)).size, kinds.length);
  // Each crossing triangle is also in a pair of shells that cross.
  const crossed = kinds.filter(([name]) =>
    ['triangles CountIntersected', 'mesh Selfintersection', 'solid CountIntersectingShellPairs'].includes(name));
  assert.equal(crossed.length, 3);
  assert.ok((await pixels(page, 0, crossed.map(([, c]) => c)))[1] > 100);
  // The capped list keeps the true total.
  const group = page.locator('.defects details', { hasText: 'Selfintersection' });
  assert.match(await group.locator('summary').textContent(), /Selfintersection: 1 of 2$/);
  const before = await page.evaluate(() => window.meshauditViewer.cameraPosition());
  await group.locator('button').first().click();
  assert.equal(await group.locator('button').first().textContent(), '0 and 1');
  assert.notDeepEqual(await page.evaluate(() => window.meshauditViewer.cameraPosition()), before);
  for (const [name] of crossed) await page.locator(`.legend input[data-kind="${name}"]`).uncheck();
  assert.equal((await pixels(page, 0, crossed.map(([, c]) => c)))[1], 0);
  assert.ok(await page.locator('td.fail', { hasText: 'FAIL' }).count() >= 2);
  assert.deepEqual(messages, []);
});

test('20 clean 3MF objects: a view each, drawn, no defect, a PASS banner; hostile names stay text', async () => {
  const name = '</script><script>window.pwned=1</script>"';
  const object = (id, shift) => `<object id="${id}" name="${id === 1 ? name.replaceAll('<', '&lt;').replaceAll('"', '&quot;') : 'b'}" type="model"><mesh><vertices>${
    tetPoints.map(([x, y, z]) => `<vertex x="${x + shift}" y="${y}" z="${z}"/>`).join('')}</vertices><triangles>${
    tetFaces.map(([a, b, c]) => `<triangle v1="${a}" v2="${b}" v3="${c}"/>`).join('')}</triangles></mesh></object>`;
  const ids = Array.from({ length: 20 }, (_, i) => i + 1);
  const model = `<?xml version="1.0"?><model unit="millimeter" xmlns="http://schemas.microsoft.com/3dmanufacturing/core/2015/02"><resources>${
    ids.map((id) => object(id, 3 * id)).join('')}</resources><build>${ids.map((id) => `<item objectid="${id}"/>`).join('')}</build></model>`;
  mkdirSync(join(dir, 'a<script>"'), { recursive: true });
  const input = join(dir, 'a<script>"', 'two.3mf');
  writeFileSync(input, zipSync({ '3D/3dmodel.model': strToU8(model) }));
  assert.equal(report(input, join(dir, 'two.html')), 0);
  const { page, messages } = await open(join(dir, 'two.html'));
  assert.equal(await page.evaluate(() => window.meshauditViewer.views), 20);
  await page.locator('section.view').last().scrollIntoViewIfNeeded();
  await page.locator('section.view').last().locator('canvas').waitFor();
  const [drawn] = await pixels(page, 19);
  assert.ok(drawn > 2000, `${drawn} pixels drawn`);
  assert.equal((await legend(page)).length, 0);
  assert.match(await page.locator('#verdict .banner').textContent(), /^PASS$/);
  assert.equal(await page.locator('.defects button').count(), 0);
  assert.ok((await page.locator('canvas').count()) <= 8);
  assert.equal(await page.evaluate(() => window.pwned), undefined);
  // The plate of 20 items apart: its items, no overlap.
  assert.equal(await page.locator('section.plate li').count(), 20);
  assert.match(await page.locator('section.plate .banner').textContent(), /^PASS$/);
  assert.ok((await page.locator('h2').first().textContent()).includes(`a<script>"/two.3mf  object 1 '${name}'`));
  assert.deepEqual(messages, []);
});

test('overlapping items of a 3MF build plate fail the page and are listed', async () => {
  const model = `<?xml version="1.0"?><model unit="millimeter" xmlns="http://schemas.microsoft.com/3dmanufacturing/core/2015/02"><resources><object id="1" type="model"><mesh><vertices>${
    tetPoints.map(([x, y, z]) => `<vertex x="${x}" y="${y}" z="${z}"/>`).join('')}</vertices><triangles>${
    tetFaces.map(([a, b, c]) => `<triangle v1="${a}" v2="${b}" v3="${c}"/>`).join('')}</triangles></mesh></object></resources><build><item objectid="1"/><item objectid="1" transform="1 0 0 0 1 0 0 0 1 0.5 0 0"/></build></model>`;
  writeFileSync(join(dir, 'plate.3mf'), zipSync({ '3D/3dmodel.model': strToU8(model) }));
  assert.equal(report(join(dir, 'plate.3mf'), join(dir, 'plate.html')), 1);
  const { page, messages } = await open(join(dir, 'plate.html'));
  assert.match(await page.locator('#verdict .banner.fail').textContent(), /^FAIL.*1 pair of overlapping items/);
  assert.equal(await page.locator('section.plate .defects button').textContent(), 'items 0 and 1 meet (triangles 0 and 0)');
  assert.deepEqual(messages, []);
});

test('failures without elements and uncomputed quantities lead the page', async () => {
  writeFileSync(join(dir, 'inside-out.off'), off(tetPoints, tetFaces.map(([a, b, c]) => [a, c, b])));
  assert.equal(report(join(dir, 'inside-out.off'), join(dir, 'inside-out.html')), 1);
  let { page, messages } = await open(join(dir, 'inside-out.html'));
  assert.match(await page.locator('#verdict .banner.fail').textContent(), /^FAIL.*inside-out/);
  assert.deepEqual(messages, []);
  // A book of 20,000 triangles on one edge does not fit 1 MiB.
  const book = Array.from({ length: 20000 }, (_, i) => [0, 1, i + 2]);
  const leaves = book.map((_, i) => [Math.cos(i), Math.sin(i), 0.5]);
  writeFileSync(join(dir, 'book.off'), off([[0, 0, 0], [0, 0, 1], ...leaves], book));
  assert.equal(report(join(dir, 'book.off'), join(dir, 'book.html'), '--memory-limit', '1M'), 2);
  ({ page, messages } = await open(join(dir, 'book.html')));
  assert.match(await page.locator('#verdict .banner.error').textContent(), /^ERROR.*could not be computed/);
  assert.deepEqual(messages, []);
});

test('repair preview of a cube with a hole and a flipped face: the fill and the flipped shell in their colours, counts as the log', async () => {
  const points = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]];
  // Outward but for z = 1, turned; the side x = 1 missing. Both face the camera.
  const faces = [[0, 2, 1], [0, 3, 2], [4, 6, 5], [4, 7, 6], [0, 1, 5], [0, 5, 4], [3, 7, 6], [3, 6, 2], [0, 4, 7], [0, 7, 3]];
  writeFileSync(join(dir, 'cube.off'), off(points, faces));
  assert.equal(report(join(dir, 'cube.off'), join(dir, 'cube.html'), '--repair-preview'), 1);
  const repair = spawnSync(command, ['repair', join(dir, 'cube.off'), '-o', join(dir, 'fixed.off'), '--log', join(dir, 'log.json')]);
  assert.equal(repair.status, 0);
  const log = JSON.parse(readFileSync(join(dir, 'log.json'), 'utf8'));
  const printed = repair.stdout.toString().split('\n').filter((l) => l && !/^(read|wrote|in all:|  note:)/.test(l));
  const { page, messages } = await open(join(dir, 'cube.html'));
  const shown = () => page.locator('.stage > div:not([hidden]) .legend label').evaluateAll((labels) => labels.map((l) =>
    [l.textContent, getComputedStyle(l.querySelector('.swatch')).backgroundColor]));
  const defects = await shown();
  assert.ok(defects.some(([text]) => text.startsWith('edges CountBorder')));
  await page.getByRole('button', { name: 'Repair preview' }).click();
  const added = log.holes.flatMap((h) => h.added).length, turned = log.flipped_shells.flat().length;
  assert.deepEqual([added, turned], [2, 2]);
  const kinds = await shown();
  assert.deepEqual(kinds.map(([text]) => text), [`filled holes (${added} triangles)`, `flipped shells (${turned} triangles)`]);
  for (const [, colour] of kinds) assert.ok((await pixels(page, 0, [colour]))[1] > 100, colour);
  assert.deepEqual(await page.locator('.repair-summary li').allTextContents(), printed);
  const steps = await page.locator('.repair-steps tbody tr').evaluateAll((rows) => rows.map((r) => [r.cells[0].textContent, +r.cells[3].textContent]));
  assert.deepEqual(steps, log.steps.filter((s) => s.ran).map((s) => [s.step, s.changes]));
  assert.match(await page.locator('.banner.after').textContent(), /^PASS$/);
  await page.getByRole('button', { name: 'Defects' }).click();
  assert.deepEqual(await shown(), defects);
  assert.deepEqual(messages, []);
});
