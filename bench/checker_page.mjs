// The checker page against the command on the same file: the time from
// picking the file to the verdict shown (and to the first frame of its
// view), the page's peak memory (the resident size of Chromium's renderer
// processes, where the page, its worker and the WebAssembly memory live;
// the GPU process apart; and the same less what those processes hold for an
// empty tab, mostly Chromium's own code mapped in each of them), and the
// page's size; for the command, `check -q`
// under /usr/bin/time (wall time and peak resident size).
//   node bench/checker_page.mjs [MESH] [RUNS]
// MESH defaults to /tmp/bm/bunny_sub2.ply (made by
// /work/shared/bench/make_meshes.py when missing); the page is
// viewer/dist/meshaudit.html, the command $MESHAUDIT or build/release/cli/meshaudit.
import { chromium } from '../viewer/node_modules/playwright-core/index.mjs';
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, readFileSync, readdirSync, statSync } from 'node:fs';
import { resolve } from 'node:path';

const root = new URL('..', import.meta.url).pathname;
const mesh = resolve(process.argv[2] || '/tmp/bm/bunny_sub2.ply');
const runs = Number(process.argv[3] || 2);
const command = resolve(process.env.MESHAUDIT || `${root}/build/release/cli/meshaudit`);
const page = `${root}/viewer/dist/meshaudit.html`;
if (!existsSync(mesh) && mesh.startsWith('/tmp/bm/')) execFileSync('/usr/bin/python3', ['/work/shared/bench/make_meshes.py', '/tmp/bm']);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const command_ = [];
for (let run = 0; run < runs; run++) {
  const r = spawnSync('/usr/bin/time', ['-f', '%e %M', command, 'check', '-q', mesh], { encoding: 'utf8' });
  const [seconds, kb] = r.stderr.trim().split('\n').pop().split(' ').map(Number);
  command_.push({ seconds, mb: kb / 1024 });
}

// Whether `pid` descends from this script (the machine may run other
// browsers).
function ours(pid) {
  for (let p = pid, depth = 0; p > 1 && depth < 8; depth++) {
    p = Number(readFileSync(`/proc/${p}/stat`, 'utf8').replace(/^.*\) /, '').split(' ')[1]);
    if (p === process.pid) return true;
  }
  return false;
}

// Resident megabytes of this browser's processes of type `type`.
function residents(type) {
  let total = 0;
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes(`--type=${type}`) || !ours(Number(pid))) continue;
      total += Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${pid}/status`, 'utf8'))[1]) / 1024;
    } catch { /* gone */ }
  }
  return total;
}

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
});
const pageRuns = [];
for (let run = 0; run < runs; run++) {
  const tab = await browser.newPage({ viewport: { width: 1200, height: 800 } });
  await new Promise((done) => setTimeout(done, 500));
  const empty = residents('renderer');
  await tab.goto(`file://${page}`);
  await tab.evaluate(() => window.meshauditChecker.ready);
  const idle = residents('renderer');
  let peak = idle, gpu = 0;
  const sampler = setInterval(() => {
    peak = Math.max(peak, residents('renderer'));
    gpu = Math.max(gpu, residents('gpu-process'));
  }, 50);
  const start = Date.now();
  await tab.setInputFiles('#pick', mesh);
  await tab.waitForSelector('article.file .banner', { timeout: 600000 });
  const verdict = (Date.now() - start) / 1000;
  await tab.waitForSelector('article.file canvas', { timeout: 600000 });
  await tab.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
  const drawn = (Date.now() - start) / 1000;
  await new Promise((done) => setTimeout(done, 500));
  clearInterval(sampler);
  pageRuns.push({ verdict, drawn, peak, idle, empty, gpu, banner: (await tab.locator('article.file .banner').first().textContent()).slice(0, 60) });
  await tab.close();
}
await browser.close();

const c = { seconds: median(command_.map((r) => r.seconds)), mb: median(command_.map((r) => r.mb)) };
const p = { verdict: median(pageRuns.map((r) => r.verdict)), drawn: median(pageRuns.map((r) => r.drawn)), peak: median(pageRuns.map((r) => r.peak)), own: median(pageRuns.map((r) => r.peak - r.empty)) };
console.log(`mesh: ${mesh}`);
console.log(`command check -q: ${command_.map((r) => `${r.seconds.toFixed(2)} s ${r.mb.toFixed(0)} MB`).join(', ')}`);
for (const r of pageRuns) {
  console.log(`page: verdict ${r.verdict.toFixed(2)} s, view drawn ${r.drawn.toFixed(2)} s, renderer peak ${r.peak.toFixed(0)} MB (idle ${r.idle.toFixed(0)}, empty tab ${r.empty.toFixed(0)}), GPU process peak ${r.gpu.toFixed(0)} MB; ${r.banner}`);
}
console.log(`time ratio (verdict / command): ${(p.verdict / c.seconds).toFixed(2)}; memory ratio (renderer peak / command): ${(p.peak / c.mb).toFixed(2)}, (renderer peak less the empty tab / command): ${(p.own / c.mb).toFixed(2)}; page ${(statSync(page).size / 1e6).toFixed(2)} MB`);
