// The checker page against the command on the same file: the time from
// picking the file to the verdict shown (and to the first frame of its
// view; and from opening the page to its checker being ready, the module
// compiled and warmed up), the page's peak memory, and the page's size; for the command,
// `check -q` under /usr/bin/time (wall time and peak resident size).
// The page's memory is the resident size of Chromium's renderer processes,
// where the page, its worker and the WebAssembly memory live (the GPU
// process apart), sampled every 50 ms, in three figures:
//  - all of it (VmRSS), which counts 300 MB or so that an empty tab holds:
//    Chromium's own code and data mapped in every renderer;
//  - the same less the empty tab's, before the page was opened;
//  - its anonymous part (RssAnon) less the empty tab's: what the page, its
//    worker and the module put in memory (the JavaScript heaps, the
//    WebAssembly memory, the arrays and the DOM), without the mapped files
//    and shared memory that differ between samples of the same tab. This is
//    the figure the target (under twice the command's peak) is judged by;
//    the command's peak resident size, its own few megabytes of code
//    included, is its counterpart.
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
  const r = spawnSync('/usr/bin/time', ['-f', '%e %M %U %S', command, 'check', '-q', mesh], { encoding: 'utf8', maxBuffer: 1 << 26 });
  const [seconds, kb, user, system] = r.stderr.trim().split('\n').pop().split(' ').map(Number);
  command_.push({ seconds, mb: kb / 1024, cpu: user + system });
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

// Resident megabytes of this browser's processes of type `type`: `all`
// (VmRSS) and `anon`, the anonymous part alone (RssAnon: heaps, V8's and
// the WebAssembly memory among them), without the files mapped in (Chromium's
// own code and data, the same for any page) and shared memory.
function residents(type) {
  const total = { all: 0, anon: 0 };
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes(`--type=${type}`) || !ours(Number(pid))) continue;
      const status = readFileSync(`/proc/${pid}/status`, 'utf8');
      total.all += Number(/VmRSS:\s+(\d+)/.exec(status)[1]) / 1024;
      total.anon += Number(/RssAnon:\s+(\d+)/.exec(status)[1]) / 1024;
    } catch { /* gone */ }
  }
  return total;
}

// CPU seconds the renderer processes have run, all their threads (the
// page's, the worker's, V8's compilers and collector): on a shared machine
// whose load varies from one second to the next, the ratio of CPU times
// says more than that of wall times.
function rendererCpu() {
  let ticks = 0;
  for (const pid of readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    try {
      if (!readFileSync(`/proc/${pid}/cmdline`, 'utf8').includes('--type=renderer') || !ours(Number(pid))) continue;
      const fields = readFileSync(`/proc/${pid}/stat`, 'utf8').replace(/^.*\) /, '').split(' ');
      ticks += Number(fields[11]) + Number(fields[12]);
    } catch { /* gone */ }
  }
  return ticks / 100;
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
  const opened = Date.now();
  await tab.goto(`file://${page}`);
  await tab.evaluate(() => window.meshauditChecker.ready);
  const ready = (Date.now() - opened) / 1000;
  const idle = residents('renderer');
  const peak = { ...idle };
  let gpu = 0;
  const sampler = setInterval(() => {
    const now = residents('renderer');
    peak.all = Math.max(peak.all, now.all);
    peak.anon = Math.max(peak.anon, now.anon);
    gpu = Math.max(gpu, residents('gpu-process').all);
  }, 50);
  const start = Date.now();
  const cpuStart = rendererCpu();
  await tab.setInputFiles('#pick', mesh);
  await tab.waitForSelector('article.file .banner', { timeout: 600000 });
  const verdict = (Date.now() - start) / 1000;
  const cpu = rendererCpu() - cpuStart;
  await tab.waitForSelector('article.file canvas', { timeout: 600000 });
  await tab.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
  const drawn = (Date.now() - start) / 1000;
  await new Promise((done) => setTimeout(done, 500));
  clearInterval(sampler);
  pageRuns.push({ ready, verdict, cpu, drawn, peak, idle, empty, gpu, banner: (await tab.locator('article.file .banner').first().textContent()).slice(0, 60) });
  await tab.close();
}
await browser.close();

const c = { seconds: median(command_.map((r) => r.seconds)), mb: median(command_.map((r) => r.mb)), cpu: median(command_.map((r) => r.cpu)) };
const p = {
  verdict: median(pageRuns.map((r) => r.verdict)), cpu: median(pageRuns.map((r) => r.cpu)), drawn: median(pageRuns.map((r) => r.drawn)),
  peak: median(pageRuns.map((r) => r.peak.all)), own: median(pageRuns.map((r) => r.peak.all - r.empty.all)),
  anon: median(pageRuns.map((r) => r.peak.anon - r.empty.anon)),
};
console.log(`mesh: ${mesh}`);
console.log(`command check -q: ${command_.map((r) => `${r.seconds.toFixed(2)} s (CPU ${r.cpu.toFixed(2)} s) ${r.mb.toFixed(0)} MB`).join(', ')}`);
for (const r of pageRuns) {
  const mb = (m) => `${m.all.toFixed(0)} MB, anonymous ${m.anon.toFixed(0)} MB`;
  console.log(`page: ready ${r.ready.toFixed(2)} s after opening; verdict ${r.verdict.toFixed(2)} s (renderer CPU ${r.cpu.toFixed(2)} s), view drawn ${r.drawn.toFixed(2)} s, renderer peak ${mb(r.peak)} (idle ${mb(r.idle)}; empty tab ${mb(r.empty)}), GPU process peak ${r.gpu.toFixed(0)} MB; ${r.banner}`);
}
console.log(`time ratio (verdict / command): ${(p.verdict / c.seconds).toFixed(2)}, CPU time ratio: ${(p.cpu / c.cpu).toFixed(2)}; memory ratio (renderer peak / command): ${(p.peak / c.mb).toFixed(2)}, (renderer peak less the empty tab / command): ${(p.own / c.mb).toFixed(2)}, (anonymous renderer peak less the empty tab's / command): ${(p.anon / c.mb).toFixed(2)}; page ${(statSync(page).size / 1e6).toFixed(2)} MB`);
