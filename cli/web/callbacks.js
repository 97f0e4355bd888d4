// The JavaScript side of Checker.cpp's callbacks: they hand their
// arguments to the worker's handlers (viewer/src/worker.js), which the
// module is created with as Module.onProgress, Module.onArray and
// Module.onVerdict.
mergeInto(LibraryManager.library, {
  ma_progress: function (done, total, label) {
    Module.onProgress(done, total, UTF8ToString(label));
  },
  // kind: 0 unsigned 32-bit integers, 1 32-bit floats, 2 bytes.
  ma_array: function (id, data, count, kind) {
    Module.onArray(UTF8ToString(id), data, count, kind);
  },
  // documents: a JSON array of check --json's lines.
  ma_verdict: function (documents) {
    Module.onVerdict(JSON.parse(UTF8ToString(documents)));
  },
});
