// The page of `meshaudit report`: the report data the command embedded in
// it, shown by report.js.
import { readArray, readReport } from './data.js';
import { showReport } from './report.js';

const places = { profile: document.getElementById('profile'), verdict: document.getElementById('verdict'), views: document.getElementById('views') };
const { views, cameraPosition } = showReport(places, readReport(), readArray);

// Read-only state for tests and scripts.
window.meshauditViewer = Object.freeze({ views, cameraPosition });
