// The checker page: mesh files dropped or picked are checked in a worker by
// the command's own code compiled to WebAssembly (worker.js), one after
// the other, each with a progress bar; each file's verdict, views, lists
// and tables are report.js's, from the same report data the command puts
// in its report page. Nothing leaves the page: its policy forbids every
// request, and downloads are made from memory.
import { showReport } from './report.js';
import { buildBanner } from './tables.js';

const FORMATS = ['stl', 'obj', 'ply', 'off', '3mf'];
const $ = (id) => document.getElementById(id);
const jobs = [];
let worker = null;
let ready = null;
let running = null;
let nextId = 1;
let settings = null; // {name, text}
let repairSteps = []; // [{name, flag, does}], the pipeline's, in order

function element(parent, tag, text, className) {
  const e = parent.appendChild(document.createElement(tag));
  if (text !== undefined) e.textContent = text;
  if (className) e.className = className;
  return e;
}

function download(name, bytes, type) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(new Blob([bytes], { type }));
  a.download = name;
  a.click();
  setTimeout(() => URL.revokeObjectURL(a.href), 10000);
}

// The module, compiled once from the bytes embedded in the page and handed
// to every worker.
let compiled = null;
function compile() {
  const base64 = atob($('meshaudit-wasm').textContent.trim());
  const bytes = new Uint8Array(base64.length);
  for (let i = 0; i < base64.length; i++) bytes[i] = base64.charCodeAt(i);
  return WebAssembly.compile(bytes);
}

// The worker, started from the glue embedded in the page. A worker that a
// check ended, or whose memory a big file grew (it never shrinks), is
// replaced by a new one before the page builds anything from the answer.
function startWorker() {
  const source = $('meshaudit-worker').textContent;
  worker = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
  compiled ||= compile();
  ready = new Promise((resolve) => {
    worker.onmessage = ({ data }) => {
      if (data.type === 'ready' || data.type === 'failed') return resolve(data);
      const job = jobs.find((j) => j.id === data.id);
      if (data.type === 'progress') return job?.progress(data);
      if (data.type === 'verdict') return job?.verdict?.(data);
      if (data.fatal || data.grown) worker.terminate(), startWorker();
      running = null;
      job?.done(data);
      pump();
    };
  });
  compiled.then((module) => worker.postMessage({ type: 'init', module }),
    (e) => worker.onmessage({ data: { type: 'failed', error: `the checker could not start: ${e.message || e}` } }));
}

// Sends the next waiting job to the worker once it is ready; the job is
// claimed before the wait, so that two calls never send the same job or
// two jobs at once.
async function pump() {
  if (running) return;
  const job = jobs.find((j) => j.waiting);
  if (!job) return;
  running = job;
  job.waiting = false;
  const start = await ready;
  if (start.type === 'failed') {
    running = null;
    job.done({ answer: { error: start.error, documents: [] } });
    return pump();
  }
  worker.postMessage(job.message);
}

function enqueue(job, message) {
  job.id = nextId++;
  job.message = { ...message, id: job.id };
  job.waiting = true;
  jobs.push(job);
  pump();
}

// A checked file's card: name, progress, verdict, downloads, repairs, views.
function check(file) {
  const card = $('files').appendChild(document.createElement('article'));
  card.className = 'file';
  const title = element(card, 'h2', file.name);
  const close = element(title, 'button', '×', 'close');
  close.title = 'remove';
  const bar = element(card, 'div', undefined, 'progress');
  const progress = element(bar, 'progress');
  const step = element(bar, 'span', 'waiting');
  const places = { verdict: element(card, 'div', undefined, 'verdict'), profile: element(card, 'p', undefined, 'profile') };
  const actions = element(card, 'div', undefined, 'actions');
  places.views = element(card, 'div', undefined, 'views');
  let shown = null;
  let shownVerdict = false;
  const job = {
    progress({ done, total, label }) {
      progress.max = Math.max(total, 1);
      progress.value = done;
      step.textContent = shownVerdict ? `preparing the views: ${label}` : label;
    },
    // The verdict from check --json's documents while the views' data is
    // made; showReport draws the same banner again from the report.
    verdict({ documents }) {
      buildBanner(places.verdict, documents.map((d) => JSON.parse(d)));
      step.textContent = 'preparing the views';
      shownVerdict = true;
    },
    done({ answer, arrays }) {
      bar.remove();
      places.verdict.replaceChildren();
      card.dataset.state = 'done';
      jobs.splice(jobs.indexOf(job), 1);
      if (!answer.page) {
        const banner = element(places.verdict, 'div', undefined, 'banner error');
        element(banner, 'strong', 'ERROR');
        element(banner, 'span', answer.error);
      } else {
        shown = showReport(places, answer.page, (id) => arrays[id], { deferViews: true });
        // The verdict is drawn before the views are built.
        requestAnimationFrame(() => setTimeout(() => shown.showViews()));
      }
      if (answer.documents.length) addActions(actions, file, answer.documents);
    },
  };
  close.addEventListener('click', () => {
    shown?.dispose();
    card.remove();
    const i = jobs.indexOf(job);
    if (i >= 0 && job.waiting) jobs.splice(i, 1);
  });
  enqueue(job, { type: 'check', file, profile: $('profile').value, settings });
}

// "Download JSON" (check --json's lines for the file) and the repair of
// `meshaudit repair`: its steps (each selected at first, as the command
// runs them all), their options, the format written, and the log.
function addActions(actions, file, documents) {
  const stem = file.name.replace(/\.[^.]*$/, '');
  const json = element(actions, 'button', 'Download JSON', 'json');
  json.addEventListener('click', () => download(`${stem}.json`, documents.join('\n') + '\n', 'application/json'));
  const repair = element(actions, 'fieldset', undefined, 'repair');
  element(repair, 'legend', 'repair');
  const input = (parent, type, className, text) => {
    const box = element(element(parent, 'label', text), 'input');
    Object.assign(box, { type, className });
    return box;
  };
  const steps = new Map();
  const options = {};
  for (const step of repairSteps) {
    const line = element(repair, 'div', undefined, 'step');
    const box = input(line, 'checkbox', 'step', ` ${step.does}`);
    Object.assign(box, { checked: true, title: step.flag });
    box.dataset.step = step.name;
    steps.set(step.name, box);
    if (step.name === 'MergePoints') {
      options.merge = input(line, 'text', 'merge', ' within ');
      Object.assign(options.merge, { size: 8, placeholder: '0' });
      options.relative = input(line, 'checkbox', 'relative', ' × box diagonal ');
    } else if (step.name === 'SmallShells') {
      options.minShell = input(line, 'text', 'min-shell', ' fewer triangles than ');
      Object.assign(options.minShell, { size: 10, placeholder: 'N or relative=F' });
      options.dropInner = input(line, 'checkbox', 'drop-inner', ' and inner shells ');
    }
  }
  const line = element(repair, 'div');
  const format = element(line, 'select');
  format.className = 'format';
  for (const f of FORMATS) element(format, 'option', f.toUpperCase()).value = f;
  const ext = file.name.split('.').pop().toLowerCase();
  format.value = FORMATS.includes(ext) ? ext : 'ply';
  const ascii = input(line, 'checkbox', 'ascii', ' text ');
  const go = element(line, 'button', 'Download repaired', 'repaired');
  const getLog = element(line, 'button', 'Download log', 'repair-log');
  getLog.disabled = true;
  const log = element(repair, 'pre', undefined, 'log');
  let logDocument = null;
  getLog.addEventListener('click', () => download(`${stem}-repaired.log.json`, logDocument, 'application/json'));
  go.addEventListener('click', () => {
    // The choice as the command's flags give it (Checker.cpp's RequestOf).
    const choice = { steps: [...steps].filter(([, box]) => box.checked).map(([name]) => name), relative: options.relative.checked, drop_inner: options.dropInner.checked };
    const merge = options.merge.value.trim();
    if (merge !== '') {
      choice.merge = Number(merge);
      if (!(choice.merge >= 0)) return (log.textContent = `merge takes a distance of 0 or more, not "${merge}"`);
    }
    const minShell = options.minShell.value.trim();
    const relative = /^relative=(.*)$/.exec(minShell);
    if (relative) choice.min_shell_relative = Number(relative[1]);
    else if (/^\d+$/.test(minShell)) choice.min_shell = Number(minShell);
    if (minShell !== '' && !(choice.min_shell_relative >= 0 || choice.min_shell >= 0)) {
      return (log.textContent = `the smallest shell is a triangle count, or relative=F with F of 0 or more, not "${minShell}"`);
    }
    const output = `${stem}-repaired.${format.value}`;
    go.disabled = true;
    getLog.disabled = true;
    log.textContent = 'repairing…';
    enqueue({
      progress() {},
      done({ answer, bytes }) {
        go.disabled = false;
        jobs.splice(jobs.indexOf(this), 1);
        log.textContent = (answer.log ?? '') + (answer.error ? `error: ${answer.error}` : '');
        logDocument = answer.document ?? null;
        getLog.disabled = !logDocument;
        if (!answer.error && bytes) download(output, bytes, 'application/octet-stream');
      },
    }, { type: 'repair', file, choice, output, ascii: ascii.checked });
  });
}

// Files of a drop or a pick: a .json file becomes the settings for the
// checks after it, every other file is checked.
async function take(files) {
  for (const file of files) {
    if (/\.json$/i.test(file.name)) {
      settings = { name: file.name, text: await file.text() };
      $('settings').textContent = `settings ${file.name}`;
      $('settings-clear').hidden = false;
    } else {
      check(file);
    }
  }
}

startWorker();
ready.then((start) => {
  if (start.type !== 'ready') return;
  repairSteps = start.repairSteps;
  for (const p of start.profiles) {
    const option = element($('profile'), 'option', p.name);
    option.title = p.summary;
    option.selected = p.default;
  }
});
$('pick').addEventListener('change', (e) => take([...e.target.files]).then(() => (e.target.value = '')));
$('settings-clear').addEventListener('click', () => {
  settings = null;
  $('settings').textContent = '';
  $('settings-clear').hidden = true;
});
addEventListener('dragover', (e) => {
  e.preventDefault();
  document.body.classList.add('dragging');
});
addEventListener('dragleave', () => document.body.classList.remove('dragging'));
addEventListener('drop', (e) => {
  e.preventDefault();
  document.body.classList.remove('dragging');
  take([...e.dataTransfer.files]);
});

// Read-only state for tests and scripts: whether every dropped file is done.
window.meshauditChecker = Object.freeze({ idle: () => jobs.length === 0 && !running, ready });
