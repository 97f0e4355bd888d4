// The checker page: mesh files dropped or picked are checked in a worker by
// the command's own code compiled to WebAssembly (worker.js), one after
// the other, each with a progress bar; each file's verdict, views, lists
// and tables are report.js's, from the same report data the command puts
// in its report page. Nothing leaves the page: its policy forbids every
// request, and downloads are made from memory.
import { showReport } from './report.js';

const FORMATS = ['stl', 'obj', 'ply', 'off', '3mf'];
const $ = (id) => document.getElementById(id);
const jobs = [];
let worker = null;
let ready = null;
let running = null;
let nextId = 1;
let settings = null; // {name, text}

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

// The worker, started from the module and glue embedded in the page; a
// worker that a check ended is replaced by a new one.
function startWorker() {
  const source = $('meshaudit-worker').textContent;
  worker = new Worker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
  const base64 = atob($('meshaudit-wasm').textContent.trim());
  const wasm = new Uint8Array(base64.length);
  for (let i = 0; i < base64.length; i++) wasm[i] = base64.charCodeAt(i);
  ready = new Promise((resolve) => {
    worker.onmessage = ({ data }) => {
      if (data.type === 'ready' || data.type === 'failed') return resolve(data);
      const job = jobs.find((j) => j.id === data.id);
      if (data.type === 'progress') return job?.progress(data);
      if (data.fatal) worker.terminate(), startWorker();
      running = null;
      job?.done(data);
      pump();
    };
  });
  worker.postMessage({ type: 'init', wasm: wasm.buffer }, [wasm.buffer]);
}

async function pump() {
  if (running) return;
  const job = jobs.find((j) => j.waiting);
  if (!job) return;
  const start = await ready;
  if (start.type === 'failed') return job.done({ answer: { error: start.error, documents: [] } });
  running = job;
  job.waiting = false;
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
  const job = {
    progress({ done, total, label }) {
      progress.max = Math.max(total, 1);
      progress.value = done;
      step.textContent = label;
    },
    done({ answer, arrays }) {
      bar.remove();
      card.dataset.state = 'done';
      jobs.splice(jobs.indexOf(job), 1);
      if (!answer.page) {
        places.verdict.replaceChildren();
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

// "Download JSON" (check --json's lines for the file) and the repairs of
// `meshaudit repair`, written in the chosen format.
function addActions(actions, file, documents) {
  const stem = file.name.replace(/\.[^.]*$/, '');
  const json = element(actions, 'button', 'Download JSON', 'json');
  json.addEventListener('click', () => download(`${stem}.json`, documents.join('\n') + '\n', 'application/json'));
  const repair = element(actions, 'span', undefined, 'repair');
  const merge = element(element(repair, 'label', 'merge points within '), 'input');
  Object.assign(merge, { type: 'text', size: 8, placeholder: 'off', className: 'merge' });
  const relative = element(element(repair, 'label', ' × box diagonal '), 'input');
  Object.assign(relative, { type: 'checkbox', className: 'relative' });
  const drop = element(element(repair, 'label', ' drop invalid triangles '), 'input');
  Object.assign(drop, { type: 'checkbox', className: 'drop' });
  const format = element(repair, 'select');
  format.className = 'format';
  for (const f of FORMATS) element(format, 'option', f.toUpperCase()).value = f;
  format.value = FORMATS.includes(file.name.split('.').pop().toLowerCase()) ? file.name.split('.').pop().toLowerCase() : 'ply';
  const ascii = element(element(repair, 'label', ' text '), 'input');
  Object.assign(ascii, { type: 'checkbox', className: 'ascii' });
  const go = element(repair, 'button', 'Download repaired', 'repaired');
  const log = element(actions, 'pre', undefined, 'log');
  go.addEventListener('click', () => {
    const steps = [];
    if (merge.value.trim() !== '') {
      const tolerance = Number(merge.value);
      if (!(tolerance >= 0)) return (log.textContent = `merge takes a distance of 0 or more, not "${merge.value}"`);
      steps.push({ merge: tolerance, relative: relative.checked });
    }
    if (drop.checked) steps.push({ drop_invalid: true });
    const output = `${stem}-repaired.${format.value}`;
    go.disabled = true;
    log.textContent = 'repairing…';
    enqueue({
      progress() {},
      done({ answer, bytes }) {
        go.disabled = false;
        jobs.splice(jobs.indexOf(this), 1);
        log.textContent = answer.log + (answer.error ? `error: ${answer.error}` : '');
        if (!answer.error && bytes) download(output, bytes, 'application/octet-stream');
      },
    }, { type: 'repair', file, steps, output, ascii: ascii.checked });
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
