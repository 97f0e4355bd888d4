// The README's pictures of the report page: a box with a void, and a box
// with a shell left inside it the wrong way round, each drawn as wireframe
// so that the inner shell shows in its colour.
//   MESHAUDIT=build/release/cli/meshaudit node viewer/pictures.mjs docs/
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { chromium } from 'playwright-core';

const command = resolve(process.env.MESHAUDIT || 'build/release/cli/meshaudit');
const out = resolve(process.argv[2] || 'docs');
const dir = mkdtempSync(join(tmpdir(), 'meshaudit-pictures-'));

// The cube [lo, hi]^3 from point `base` on, outward unless reversed.
const corners = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0], [0, 0, 1], [1, 0, 1], [1, 1, 1], [0, 1, 1]];
const faces = [[0, 2, 1], [0, 3, 2], [4, 5, 6], [4, 6, 7], [0, 1, 5], [0, 5, 4], [1, 2, 6], [1, 6, 5], [2, 3, 7],
  [2, 7, 6], [3, 0, 4], [3, 4, 7]];
const box = (lo, hi, base, reversed) => ({
  points: corners.map((c) => c.map((x) => lo + (hi - lo) * x)),
  faces: faces.map(([a, b, c]) => (reversed ? [a, c, b] : [a, b, c]).map((i) => i + base)),
});
const off = (...parts) => {
  const points = parts.flatMap((p) => p.points), tris = parts.flatMap((p) => p.faces);
  return `OFF\n${points.length} ${tris.length} 0\n${[...points, ...tris.map((f) => [3, ...f])].map((r) => r.join(' ')).join('\n')}\n`;
};

const pictures = [
  // A void is no defect; a settings file that allows no nested shell colours it.
  { name: 'void', mesh: off(box(0, 3, 0, false), box(1, 2, 8, true)),
    settings: { solid: { CountNestedShells: { judge: true, max: 0 } } } },
  { name: 'inside-out', mesh: off(box(0, 3, 0, false), box(1, 2, 8, false)) },
];

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
try {
  for (const { name, mesh, settings } of pictures) {
    const input = join(dir, `${name}.off`), html = join(dir, `${name}.html`);
    writeFileSync(input, mesh);
    const args = ['report', '-q', `${name}.off`, '-o', html];
    if (settings) {
      writeFileSync(join(dir, `${name}.json`), JSON.stringify(settings));
      args.push('-s', `${name}.json`);
    }
    const done = spawnSync(command, args, { cwd: dir });
    if (done.status !== 0 && done.status !== 1) throw new Error(`${name}: ${done.stderr}`);
    const page = await browser.newPage({ viewport: { width: 1100, height: 640 } });
    await page.goto(`file://${html}`);
    await page.locator('canvas').first().waitFor();
    await page.getByRole('button', { name: 'Wireframe' }).click();
    await page.waitForTimeout(500);
    await page.screenshot({ path: join(out, `${name}.png`) });
    await page.close();
    console.log(join(out, `${name}.png`));
  }
} finally {
  await browser.close();
  rmSync(dir, { recursive: true });
}
