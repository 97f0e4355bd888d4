// Builds the two pages, each one file that opens offline:
//   dist/report.html     the template of `meshaudit report`: src/page.html with
//                        the style sheet and the bundled script (three.js
//                        included) inlined; the command fills in the data at
//                        the <!--DATA--> mark.
//   dist/meshaudit.html  the checker page: src/checker.html with the same
//                        style and views, the worker (Emscripten's glue and
//                        src/worker.js) and the WebAssembly module (base64),
//                        from the build of cli/web in $MESHAUDIT_WASM_DIR
//                        (default ../build/wasm; scripts/wasm.sh makes it).
//                        Skipped, with a word, when that build is missing.
import { build } from 'esbuild';
import { existsSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { resolve } from 'node:path';

const here = new URL('.', import.meta.url);
const read = (path) => readFileSync(new URL(path, here), 'utf8');
const bundle = async (entry) => {
  const result = await build({
    entryPoints: [new URL(entry, here).pathname],
    bundle: true, minify: true, format: 'iife', target: 'es2020', write: false, legalComments: 'eof',
  });
  return inlinable(result.outputFiles[0].text, entry);
};
// Inlined script text ends at the first "</script" and changes meaning
// after "<!--": neither may occur in it.
function inlinable(script, name) {
  if (/<\/script|<!--/i.test(script)) throw new Error(`${name} holds </script or <!--: it cannot be inlined`);
  return script;
}
const fill = (page, parts) => Object.entries(parts).reduce((text, [mark, value]) => {
  if (!text.includes(mark)) throw new Error(`the page lacks the ${mark} mark`);
  return text.replace(mark, () => value);
}, page);

mkdirSync(new URL('dist', here), { recursive: true });
const style = read('src/style.css');
const report = fill(read('src/page.html'), { '/*STYLE*/': style, '/*SCRIPT*/': await bundle('src/main.js') });
if (!report.includes('<!--DATA-->')) throw new Error('src/page.html lacks the <!--DATA--> mark');
writeFileSync(new URL('dist/report.html', here), report);
console.log(`dist/report.html: ${report.length} bytes`);

const wasmDir = resolve(new URL('.', here).pathname, process.env.MESHAUDIT_WASM_DIR || '../build/wasm');
if (!existsSync(`${wasmDir}/meshaudit_web.wasm`)) {
  console.log(`dist/meshaudit.html: not built (no ${wasmDir}/meshaudit_web.wasm: run scripts/wasm.sh)`);
} else {
  const glue = inlinable(readFileSync(`${wasmDir}/meshaudit_web.js`, 'utf8'), 'meshaudit_web.js');
  const worker = `${glue}\n${await bundle('src/worker.js')}`;
  const checker = fill(read('src/checker.html'), {
    '/*STYLE*/': style,
    '/*WORKER*/': worker,
    '/*WASM*/': readFileSync(`${wasmDir}/meshaudit_web.wasm`).toString('base64'),
    '/*SCRIPT*/': await bundle('src/checker.js'),
  });
  writeFileSync(new URL('dist/meshaudit.html', here), checker);
  console.log(`dist/meshaudit.html: ${checker.length} bytes`);
}
