// The data `meshaudit report` embeds in the page: one JSON element with the
// reports, and the big arrays as base64 of little-endian typed arrays, each
// in an element of its own (far smaller and faster to read than JSON numbers).

export function readReport() {
  return JSON.parse(document.getElementById('meshaudit-data').textContent);
}

// The typed array in the element with id `id`: Float32Array or Uint32Array.
export function readArray(id, Type) {
  const text = atob(document.getElementById(id).textContent.trim());
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return new Type(bytes.buffer, 0, bytes.length / Type.BYTES_PER_ELEMENT);
}
