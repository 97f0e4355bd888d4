// Builds the page template of `meshaudit report`: src/page.html with the
// style sheet and the bundled, minified script (three.js included) inlined,
// so that a report is one file that opens offline. The command fills in the
// data at the <!--DATA--> mark. Output: dist/report.html.
import { build } from 'esbuild';
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';

const here = new URL('.', import.meta.url);
const read = (path) => readFileSync(new URL(path, here), 'utf8');
const result = await build({
  entryPoints: [new URL('src/main.js', here).pathname],
  bundle: true, minify: true, format: 'iife', target: 'es2020', write: false, legalComments: 'eof',
});
const script = result.outputFiles[0].text;
// Inlined script text ends at the first "</script" and changes meaning
// after "<!--": neither may occur in it.
if (/<\/script|<!--/i.test(script)) throw new Error('the bundle holds </script or <!--: it cannot be inlined');
const page = read('src/page.html')
  .replace('/*STYLE*/', () => read('src/style.css'))
  .replace('/*SCRIPT*/', () => script);
if (!page.includes('<!--DATA-->')) throw new Error('src/page.html lacks the <!--DATA--> mark');
mkdirSync(new URL('dist', here), { recursive: true });
writeFileSync(new URL('dist/report.html', here), page);
console.log(`dist/report.html: ${page.length} bytes`);
