// The checker page's worker: the WebAssembly module (cli/web/Checker.cpp)
// runs here, so that the page never waits on a check. Its Emscripten glue
// is put before this script in the worker's source (build.mjs); the module
// itself comes as bytes in the first message, so nothing is fetched.
//
// Messages in:  {type: 'init', wasm}
//               {type: 'check', id, file, profile, settings: {name, text} | null}
//               {type: 'repair', id, file, steps, output, ascii}
// (`file` a File, read here rather than on the page)
// Messages out: {type: 'ready', profiles} | {type: 'failed', error}
//               {type: 'progress', id, done, total, label}
//               {type: 'checked', id, answer, arrays} | {type: 'repaired', id, answer, bytes}
// A check that ends the module (it aborted, or memory could not grow) is
// answered with {error} and the worker closes: the page starts another.
/* global MeshauditModule */
const NO_MEMORY = 'the file needs more memory than the browser gives this page';
let wasm = null;
let arrays = null;

// Copies `count` numbers at `pointer` out of the module's memory, which a
// later allocation may move.
function onArray(id, pointer, count, kind) {
  const heap = wasm.HEAPU8.buffer;
  arrays[id] = kind === 2 ? new Uint8Array(heap, pointer, count).slice()
    : new (kind === 1 ? Float32Array : Uint32Array)(heap, pointer, count).slice();
}

// Runs `call` with `bytes` and the strings copied into the module's
// memory, and frees them after; returns the JSON answer, parsed.
function withArguments(bytes, strings, call) {
  const held = [];
  try {
    const pointer = wasm._malloc(Math.max(bytes.byteLength, 1));
    if (pointer === 0) return { error: NO_MEMORY, documents: [] };
    held.push(pointer);
    wasm.HEAPU8.set(new Uint8Array(bytes), pointer);
    const texts = strings.map((s) => {
      const size = wasm.lengthBytesUTF8(s) + 1;
      const p = wasm._malloc(size);
      if (p === 0) throw new Error('Cannot enlarge memory');
      held.push(p);
      wasm.stringToUTF8(s, p, size);
      return p;
    });
    return JSON.parse(wasm.UTF8ToString(call(pointer, bytes.byteLength, ...texts)));
  } finally {
    held.forEach((p) => wasm._free(p));
  }
}

async function run(message) {
  const { id, file } = message;
  const name = file.name;
  const bytes = await file.arrayBuffer();
  arrays = {};
  if (message.type === 'check') {
    const { profile, settings } = message;
    const answer = withArguments(bytes, [name, profile, settings?.name ?? '', settings?.text ?? ''],
      (p, size, n, pr, sn, st) => wasm._ma_check(n, p, size, pr, sn, st));
    const transfer = Object.values(arrays).map((a) => a.buffer);
    postMessage({ type: 'checked', id, answer, arrays }, transfer);
  } else if (message.type === 'repair') {
    const { steps, output, ascii } = message;
    const answer = withArguments(bytes, [name, JSON.stringify(steps), output],
      (p, size, n, s, o) => wasm._ma_repair(n, p, size, s, o, ascii ? 1 : 0));
    const out = arrays.output;
    postMessage({ type: 'repaired', id, answer, bytes: out }, out ? [out.buffer] : []);
  }
  arrays = null;
}

self.onmessage = async ({ data: message }) => {
  if (message.type === 'init') {
    try {
      wasm = await MeshauditModule({
        wasmBinary: message.wasm,
        onArray,
        onProgress: (done, total, label) => postMessage({ type: 'progress', id: self.current, done, total, label }),
        print: () => {},
        printErr: () => {},
      });
      postMessage({ type: 'ready', profiles: JSON.parse(wasm.UTF8ToString(wasm._ma_profiles())) });
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
