// The README's picture of the checker page: suzanne.obj (or the mesh
// given) dropped on dist/meshaudit.html, its verdict, view and tables.
//   node viewer/checker-picture.mjs MESH docs/checker.png
import { chromium } from 'playwright-core';
import { resolve } from 'node:path';

const mesh = resolve(process.argv[2] || '../shared/meshes/suzanne.obj');
const out = resolve(process.argv[3] || 'docs/checker.png');
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
const page = await browser.newPage({ viewport: { width: 1200, height: 760 } });
await page.goto(`file://${new URL('dist/meshaudit.html', import.meta.url).pathname}`);
await page.evaluate(() => window.meshauditChecker.ready);
await page.setInputFiles('#pick', mesh);
await page.waitForFunction(() => window.meshauditChecker.idle() && document.querySelector('article.file canvas'));
await page.waitForTimeout(1000);
await page.screenshot({ path: out });
await browser.close();
console.log(`${out}`);
