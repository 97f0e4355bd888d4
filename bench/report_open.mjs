// How long headless Chromium takes to open a `meshaudit report` page and
// draw its first frame (software GL, as in the tests):
//   node bench/report_open.mjs PAGE.html [RUNS]
// Needs viewer/node_modules (bash scripts/viewer.sh).
import { chromium } from '../viewer/node_modules/playwright-core/index.mjs';
import { resolve } from 'node:path';

const page = resolve(process.argv[2]);
const runs = Number(process.argv[3] || 3);
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
for (let run = 0; run < runs; run++) {
  const tab = await browser.newPage({ viewport: { width: 1200, height: 800 } });
  const start = Date.now();
  await tab.goto(`file://${page}`, { timeout: 120000 });
  await tab.waitForFunction(() => window.meshauditViewer, null, { timeout: 120000 });
  const ready = Date.now() - start;
  // Reading the canvas back waits until the frame is really drawn.
  await tab.evaluate(() => {
    const canvas = document.querySelector('canvas');
    const copy = Object.assign(document.createElement('canvas'), { width: 1, height: 1 });
    copy.getContext('2d').drawImage(canvas, 0, 0);
  });
  console.log(`run ${run + 1}: script done ${ready} ms, first frame drawn ${Date.now() - start} ms`);
  await tab.close();
}
await browser.close();
