// The checker page (dist/meshaudit.html) in headless Chromium: for files of
// every format, its "Download JSON" equals `meshaudit check --json` but for
// the file's name, with a profile and a settings file chosen too; a
// malformed file gets the command's message; a repair downloads what
// `meshaudit repair` writes and logs; and the page asks for nothing but
// itself.
//   MESHAUDIT=build/release/cli/meshaudit [MESHAUDIT_REAL_MESHES=DIR] node --test viewer/tests/
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { basename, join, resolve } from 'node:path';
import { chromium } from 'playwright-core';
import { strToU8, zipSync } from 'three/examples/jsm/libs/fflate.module.js';

const command = resolve(process.env.MESHAUDIT || 'build/release/cli/meshaudit');
const pageFile = new URL('../dist/meshaudit.html', import.meta.url).pathname;
const dir = mkdtempSync(join(tmpdir(), 'meshaudit-checker-'));
const run = (...args) => spawnSync(command, args, { encoding: 'utf8' });
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
after(async () => {
  await browser.close();
  rmSync(dir, { recursive: true });
});

// Meshes of the tests, each in every format the command writes (through
// `meshaudit repair`, binary and text); a 3MF of two objects, deflated by
// fflate rather than libzip; and the real meshes when given.
const off = (points, faces) => `OFF\n${points.length} ${faces.length} 0\n${[...points, ...faces.map((f) => [f.length, ...f])].map((r) => r.join(' ')).join('\n')}\n`;
const tet = [[[0, 0, 0], [1, 0, 0], [0, 1, 0], [0, 0, 1]], [[0, 2, 1], [0, 1, 3], [0, 3, 2], [1, 2, 3]]];
writeFileSync(join(dir, 'tet.off'), off(...tet));
writeFileSync(join(dir, 'open.off'), off([[0, 0, 0], [2, 0, 0], [0, 2, 0], [0.3, 0.3, -1], [0.3, 0.3, 1], [1.2, 0.3, 0], [2, 2, 0.5], [0, 0, 1e-12]],
  [[0, 1, 2], [3, 4, 5], [1, 6, 2, 7], [0, 0, 1]]));
const files = ['tet.off', 'open.off'];
for (const mesh of ['tet', 'open']) {
  for (const [ext, ascii] of [['stl', false], ['stl', true], ['obj', false], ['ply', false], ['ply', true], ['off', true], ['3mf', false]]) {
    const name = `${mesh}${ascii ? '-text' : ''}.${ext}`;
    assert.equal(run('repair', join(dir, `${mesh}.off`), '-o', join(dir, name), '--no-repair', ...(ascii ? ['--ascii'] : [])).status, 0);
    files.push(name);
  }
}
const model = (id, shift) => `<object id="${id}" name="part ${id}"><mesh><vertices>${tet[0].map(([x, y, z]) => `<vertex x="${x + shift}" y="${y}" z="${z}"/>`).join('')}</vertices>` +
  `<triangles>${tet[1].map(([a, b, c]) => `<triangle v1="${a}" v2="${b}" v3="${c}"/>`).join('')}</triangles></mesh></object>`;
writeFileSync(join(dir, 'two.3mf'), zipSync({
  '[Content_Types].xml': strToU8('<?xml version="1.0"?><Types/>'),
  '3D/3dmodel.model': strToU8(`<?xml version="1.0" encoding="UTF-8"?>\n<model unit="inch" xmlns="http://schemas.microsoft.com/3dmanufacturing/core/2015/02">\n<resources>${model(1, 0)}\n${model(7, 0.5)}</resources><build/></model>`),
}, { level: 9 }));
writeFileSync(join(dir, 'bad.ply'), 'ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\nend_header\n1\n');
files.push('two.3mf');
const real = process.env.MESHAUDIT_REAL_MESHES;
const paths = files.map((f) => join(dir, f));
if (real && existsSync(real)) paths.push(...readdirSync(real).filter((f) => /\.(stl|obj|ply|off|3mf)$/i.test(f)).map((f) => join(real, f)));

async function open() {
  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const requests = [];
  page.on('request', (r) => r.url() === `file://${pageFile}` || r.url().startsWith('blob:') || requests.push(r.url()));
  page.on('pageerror', (e) => requests.push(`error: ${e.message}`));
  await page.goto(`file://${pageFile}`);
  await page.evaluate(() => window.meshauditChecker.ready);
  return { page, requests };
}
const idle = (page) => page.waitForFunction(() => window.meshauditChecker.idle(), null, { timeout: 300000 });
// The text a button of card i downloads (as latin1: any bytes).
async function downloaded(page, i, selector, encoding = 'utf8') {
  const [file] = await Promise.all([page.waitForEvent('download'), page.locator('article.file').nth(i).locator(selector).click()]);
  return readFileSync(await file.path(), encoding);
}
// check --json's documents with the file named as the page names it.
const documents = (text, file) => text.trim().split('\n').map((line) => {
  const d = JSON.parse(line.replaceAll(JSON.stringify(file).slice(1, -1), basename(file)));
  return { ...d, file: basename(file) };
});

test('every format: the JSON downloaded equals check --json', async () => {
  const { page, requests } = await open();
  // The first by a drop, the rest picked.
  await page.evaluate(([name, text]) => {
    const data = new DataTransfer();
    data.items.add(new File([text], name));
    dispatchEvent(new DragEvent('drop', { dataTransfer: data }));
  }, [files[0], readFileSync(paths[0], 'utf8')]);
  await page.setInputFiles('#pick', paths.slice(1));
  await idle(page);
  assert.ok(paths.length >= 20 || !real, `${paths.length} files`);
  for (const [i, path] of paths.entries()) {
    const expected = documents(run('check', '--json', path).stdout, path);
    assert.deepEqual(documents(await downloaded(page, i, 'button.json'), path), expected, path);
  }
  // two.3mf's objects have a banner each beside the file's.
  assert.equal(await page.locator('article.file .banner').count(), paths.length + 2);
  assert.deepEqual(requests, []);
});

test('profile, settings file and a malformed file', async () => {
  const { page, requests } = await open();
  await page.selectOption('#profile', 'surface');
  const settings = join(dir, 'strict.json');
  writeFileSync(settings, '{"points": {"Epsilon": {"relative": 0.01}}, "triangles": {"CountIntersected": {"max": 1}}}');
  await page.setInputFiles('#pick', [settings, join(dir, 'open.obj'), join(dir, 'bad.ply')]);
  await idle(page);
  const expected = documents(run('check', '--json', '-p', 'surface', '-s', settings, join(dir, 'open.obj')).stdout, join(dir, 'open.obj'));
  assert.deepEqual(documents(await downloaded(page, 0, 'button.json'), join(dir, 'open.obj')), expected);
  assert.match(await page.locator('article.file').nth(0).locator('.profile').textContent(), /^profile surface, settings strict.json/);
  const bad = run('check', join(dir, 'bad.ply'));
  assert.equal(await page.locator('article.file').nth(1).locator('.banner span').textContent(),
    bad.stderr.trim().replace('meshaudit: ', '').replace(dir + '/', ''));
  assert.deepEqual(documents(await downloaded(page, 1, 'button.json'), join(dir, 'bad.ply')),
    documents(run('check', '--json', join(dir, 'bad.ply')).stdout, join(dir, 'bad.ply')));
  assert.deepEqual(requests, []);
});

// A cube with a hole and a flipped triangle, repaired in the page as the
// command repairs it: every step (the default); some steps, as text, with a
// merge distance and a smallest shell. Each the command's bytes and log.
test('repair: the file and the log equal meshaudit repair', async () => {
  const cube = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]];
  writeFileSync(join(dir, 'cube.off'), off(cube, [[0, 2, 1], [0, 3, 2], [4, 5, 6], [4, 7, 6], [0, 1, 5], [0, 5, 4], [1, 2, 6], [1, 6, 5], [2, 3, 7], [2, 7, 6], [3, 0, 4]]));
  const { page, requests } = await open();
  await page.setInputFiles('#pick', join(dir, 'cube.off'));
  await idle(page);
  const card = page.locator('article.file').nth(0);
  const steps = await card.locator('input.step').evaluateAll((boxes) => boxes.map((b) => [b.dataset.step, b.title]));
  assert.equal(steps.length, 11);  // the command's steps, resolving intersections among them
  assert.ok(steps.some(([name]) => name === 'ResolveIntersections'));
  for (const { off: dropped, format, ascii, merge, minShell, flags } of [
    { off: [], format: 'ply', flags: [] },
    { off: ['FillHoles', 'UnusedPoints'], format: 'stl', ascii: true, merge: '0.01', minShell: '3', flags: ['--ascii', '--min-shell', '3', '--merge', '0.01'] },
  ]) {
    for (const [name] of steps) await card.locator(`input.step[data-step=${name}]`).setChecked(!dropped.includes(name));
    await card.locator('input.merge').fill(merge ?? '');
    await card.locator('input.min-shell').fill(minShell ?? '');
    await card.locator('input.ascii').setChecked(!!ascii);
    await card.locator('select.format').selectOption(format);
    const repaired = await downloaded(page, 0, 'button.repaired', 'latin1');
    const log = await downloaded(page, 0, 'button.repair-log');
    const chosen = dropped.length ? steps.filter(([n, f]) => !dropped.includes(n) && !['--merge', '--min-shell'].includes(f)).map(([, f]) => f) : [];
    const r = spawnSync(command, ['repair', 'cube.off', '-o', `cube-repaired.${format}`, '--log', 'log.json', ...flags, ...chosen], { cwd: dir, encoding: 'utf8' });
    assert.equal(r.status, 0, r.stderr);
    assert.equal(repaired, readFileSync(join(dir, `cube-repaired.${format}`), 'latin1'));
    assert.equal(log, readFileSync(join(dir, 'log.json'), 'utf8'));
    assert.equal(await card.locator('.log').textContent(), r.stdout);
  }
  assert.deepEqual(requests, []);
});
