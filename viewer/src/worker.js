// The checker page's worker: the WebAssembly module (cli/web/Checker.cpp)
// runs here, so that the page never waits on a check. Its Emscripten glue
// is put before this script in the worker's source (build.mjs); the module
// itself comes compiled in the first message, so nothing is fetched and
// nothing is compiled twice.
//
// Messages in:  {type: 'init', module}
//               {type: 'check', id, file, profile, settings: {name, text} | null}
//               {type: 'repair', id, file, choice, output, ascii}
// (`file` a File, read here rather than on the page)
// Messages out: {type: 'ready', profiles, repairSteps} (once the module has
//               checked the warm-up mesh, warmUpBytes) | {type: 'failed', error}
//               {type: 'progress', id, done, total, label}
//               {type: 'verdict', id, documents} (check --json's lines, as
//               soon as the check has judged; the views' data follows)
//               {type: 'checked', id, answer, arrays, grown}
//               {type: 'repaired', id, answer, bytes, grown}
// `grown`: the module's memory grew past its first size. WebAssembly memory
// never shrinks, so the page then ends this worker and starts another
// rather than keep a big file's memory for the rest of its life.
// A check that ends the module (it aborted, or memory could not grow) is
// answered with {error} and `fatal`, and the worker closes: the page starts
// another.
/* global MeshauditModule */
const NO_MEMORY = 'the file needs more memory than the browser gives this page';
let wasm = null;
let arrays = null;
let firstSize = 0;
let warming = false; // checking the torus of warmUpBytes: nothing is told to the page

// Copies `count` numbers at `pointer` out of the module's memory, which a
// later allocation may move.
function onArray(id, pointer, count, kind) {
  const heap = wasm.HEAPU8.buffer;
  arrays[id] = kind === 2 ? new Uint8Array(heap, pointer, count).slice()
    : new (kind === 1 ? Float32Array : Uint32Array)(heap, pointer, count).slice();
}

// The file's bytes read straight into the module's memory, 8 MiB at a
// time, so that no whole copy of them is kept outside it; 0 when memory ran
// out. The module frees them.
const PIECE = 8 << 20;
async function fileIn(file) {
  const pointer = wasm._malloc(Math.max(file.size, 1));
  if (pointer === 0) return 0;
  for (let at = 0; at < file.size; at += PIECE) {
    const piece = new Uint8Array(await file.slice(at, Math.min(at + PIECE, file.size)).arrayBuffer());
    wasm.HEAPU8.set(piece, pointer + at);
  }
  return pointer;
}

// A closed torus of 2 x 240 x 120 triangles as a binary PLY file, checked
// once when the module starts: WebAssembly code runs first as the engine's
// quick baseline compile and is optimized only once it has run a while,
// and a function that is running keeps its baseline code until it returns;
// the analysis of a big file would spend most of its time in loops entered
// once. Checked here, every step has run, and its optimized code is made
// while the page waits for a file; checked twice, as the optimizing
// compiler works in the background and a file picked the moment the page
// is ready would otherwise still meet it at work.
function warmUpBytes() {
  const [n, m] = [240, 120];
  const header = new TextEncoder().encode(`ply\nformat binary_little_endian 1.0\nelement vertex ${n * m}\nproperty float x\nproperty float y\nproperty float z\nelement face ${2 * n * m}\nproperty list uchar int vertex_indices\nend_header\n`);
  const bytes = new Uint8Array(header.length + 12 * n * m + 26 * n * m);
  bytes.set(header);
  const data = new DataView(bytes.buffer, header.length);
  let at = 0;
  for (let i = 0; i < n; i++) {
    for (let j = 0; j < m; j++) {
      const [u, v] = [(2 * Math.PI * i) / n, (2 * Math.PI * j) / m];
      for (const c of [(3 + Math.cos(v)) * Math.cos(u), (3 + Math.cos(v)) * Math.sin(u), Math.sin(v)]) data.setFloat32(at, c, true), (at += 4);
    }
  }
  const point = (i, j) => (i % n) * m + (j % m);
  for (let i = 0; i < n; i++) {
    for (let j = 0; j < m; j++) {
      for (const t of [[point(i, j), point(i + 1, j), point(i + 1, j + 1)], [point(i, j), point(i + 1, j + 1), point(i, j + 1)]]) {
        data.setUint8(at++, 3);
        for (const k of t) data.setInt32(at, k, true), (at += 4);
      }
    }
  }
  return bytes;
}

// Runs `call` with the file's bytes (which it frees) and the strings copied
// into the module's memory, and frees the strings after; returns the JSON
// answer, parsed.
async function withArguments(file, strings, call) {
  const bytes = await fileIn(file);
  if (bytes === 0) return { error: NO_MEMORY, documents: [] };
  const held = [];
  try {
    const texts = strings.map((s) => {
      const size = wasm.lengthBytesUTF8(s) + 1;
      const p = wasm._malloc(size);
      if (p === 0) throw new Error('Cannot enlarge memory');
      held.push(p);
      wasm.stringToUTF8(s, p, size);
      return p;
    });
    return JSON.parse(wasm.UTF8ToString(call(bytes, file.size, ...texts)));
  } finally {
    held.forEach((p) => wasm._free(p));
  }
}

async function run(message) {
  const { id, file } = message;
  const name = file.name;
  arrays = {};
  if (message.type === 'check') {
    const { profile, settings } = message;
    const answer = await withArguments(file, [name, profile, settings?.name ?? '', settings?.text ?? ''],
      (p, size, n, pr, sn, st) => wasm._ma_check(n, p, size, pr, sn, st));
    const transfer = Object.values(arrays).map((a) => a.buffer);
    postMessage({ type: 'checked', id, answer, arrays, grown: wasm.HEAPU8.length > firstSize }, transfer);
  } else if (message.type === 'repair') {
    const { choice, output, ascii } = message;
    const answer = await withArguments(file, [name, JSON.stringify(choice), output],
      (p, size, n, c, o) => wasm._ma_repair(n, p, size, c, o, ascii ? 1 : 0));
    const out = arrays.output;
    postMessage({ type: 'repaired', id, answer, bytes: out, grown: wasm.HEAPU8.length > firstSize }, out ? [out.buffer] : []);
  }
  arrays = null;
}

self.onmessage = async ({ data: message }) => {
  if (message.type === 'init') {
    try {
      wasm = await MeshauditModule({
        instantiateWasm: (imports, receive) => {
          WebAssembly.instantiate(message.module, imports).then((instance) => receive(instance, message.module));
          return {};
        },
        onArray,
        onProgress: (done, total, label) => warming || postMessage({ type: 'progress', id: self.current, done, total, label }),
        onVerdict: (documents) => warming || postMessage({ type: 'verdict', id: self.current, documents }),
        print: () => {},
        printErr: () => {},
      });
      const list = (call) => JSON.parse(wasm.UTF8ToString(call()));
      const profiles = list(wasm._ma_profiles);
      warming = true;
      arrays = {};
      for (let round = 0; round < 2; round++) {
        await withArguments(new Blob([warmUpBytes()]), ['warm-up.ply', profiles.find((p) => p.default).name, '', ''],
          (p, size, n, pr, sn, st) => wasm._ma_check(n, p, size, pr, sn, st));
      }
      arrays = null;
      warming = false;
      firstSize = wasm.HEAPU8.length;
      postMessage({ type: 'ready', profiles, repairSteps: list(wasm._ma_repair_steps) });
    } catch (e) {
      postMessage({ type: 'failed', error: `the checker could not start: ${e.message || e}` });
    }
    return;
  }
  self.current = message.id;
  try {
    await run(message);
  } catch (e) {
    // An abort or a trap: the module's state cannot be trusted after it.
    const memory = /memory|Cannot enlarge|Aborted\(OOM|bad_alloc/i.test(String(e?.message ?? e));
    const error = memory ? NO_MEMORY : `the check stopped: ${e?.message ?? e}`;
    postMessage({ type: message.type === 'check' ? 'checked' : 'repaired', id: message.id, answer: { error, documents: [] }, fatal: true });
    close();
  }
};
