// One mesh in a WebGL view: orbit, zoom and pan with the mouse, a reset and
// a wireframe toggle; an overlay per defect kind; a highlight that frames
// one element. It draws only when something changed.
import * as THREE from 'three';
import { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';

const HIGHLIGHT = 0xffd400;

// The box of the finite points among `indices` (all points when null).
function boundsOf(positions, indices) {
  const box = new THREE.Box3();
  const p = new THREE.Vector3();
  const count = indices ? indices.length : positions.length / 3;
  for (let i = 0; i < count; i++) {
    const j = indices ? indices[i] : i;
    p.set(positions[3 * j], positions[3 * j + 1], positions[3 * j + 2]);
    if (Number.isFinite(p.x) && Number.isFinite(p.y) && Number.isFinite(p.z)) box.expandByPoint(p);
  }
  return box;
}

export class View {
  constructor(container, positions, triangles) {
    this.positions = positions;
    this.triangles = triangles;
    // Multisampling costs much on software GL: big meshes go without.
    this.renderer = new THREE.WebGLRenderer({ antialias: triangles.length < 900000, preserveDrawingBuffer: true });
    this.renderer.setPixelRatio(window.devicePixelRatio);
    container.appendChild(this.renderer.domElement);
    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(0x20242c);
    this.camera = new THREE.PerspectiveCamera(40, 1, 1e-3, 1e3);
    this.camera.add(new THREE.DirectionalLight(0xffffff, 2.2));
    this.scene.add(this.camera, new THREE.AmbientLight(0xffffff, 0.9));

    const box = boundsOf(positions, null);
    this.home = box.isEmpty() ? new THREE.Box3(new THREE.Vector3(-1, -1, -1), new THREE.Vector3(1, 1, 1)) : box;
    this.diagonal = Math.max(this.home.getSize(new THREE.Vector3()).length(), 1e-30);
    this.sphere = this.home.getBoundingSphere(new THREE.Sphere());

    this.geometry = this.shared(triangles);
    this.material = new THREE.MeshLambertMaterial({
      color: 0xb9bec7, flatShading: true, side: THREE.DoubleSide,
      // Pushed back so that the defect overlays on the same triangles win.
      polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1,
    });
    this.add(new THREE.Mesh(this.geometry, this.material));
    this.highlight = new THREE.Group();
    this.scene.add(this.highlight);

    this.controls = new OrbitControls(this.camera, this.renderer.domElement);
    this.controls.addEventListener('change', () => this.render());
    this.resizing = new ResizeObserver(() => this.resize(container));
    this.resizing.observe(container);
    this.resize(container);
    this.reset();
  }

  // Draws from now on: until then the view is being built, and drawing a
  // big mesh more than once for that would only delay the page.
  start() {
    this.live = true;
    this.render();
  }

  // A geometry on the mesh's own points with the triangles `index`.
  shared(index) {
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', this.attribute || (this.attribute = new THREE.BufferAttribute(this.positions, 3)));
    if (index) geometry.setIndex(new THREE.BufferAttribute(index, 1));
    // The bounds of the finite points: three.js would compute NaN bounds
    // from a mesh with non-finite points, and complain.
    geometry.boundingBox = this.home;
    geometry.boundingSphere = this.sphere;
    return geometry;
  }

  add(object) {
    // The bounds cover the whole mesh, not the object's own triangles.
    object.frustumCulled = false;
    this.scene.add(object);
    return object;
  }

  // The triangles (or points) of one defect kind, in `colour`. With
  // `corners`, `indices` are the triangles' own corner triples (triangles
  // the view's mesh does not have, such as those a repair dropped).
  addKind(on, indices, colour, corners = false) {
    if (on === 'triangles') {
      let index = indices;
      if (!corners) {
        index = new Uint32Array(indices.length * 3);
        indices.forEach((t, i) => index.set(this.triangles.subarray(3 * t, 3 * t + 3), 3 * i));
      }
      return this.add(new THREE.Mesh(this.shared(index), new THREE.MeshBasicMaterial({ color: colour, side: THREE.DoubleSide })));
    }
    return this.add(new THREE.Points(this.shared(indices), new THREE.PointsMaterial({ color: colour, size: 7, sizeAttenuation: false })));
  }

  setVisible(object, visible) {
    object.visible = visible;
    this.render();
  }

  setWireframe(on) {
    this.material.wireframe = on;
    this.render();
  }

  // Looks at `box` from the current direction, from far enough to see it whole.
  frame(box) {
    const centre = box.getCenter(new THREE.Vector3());
    const size = Math.max(box.getSize(new THREE.Vector3()).length(), this.diagonal * 0.02);
    const direction = this.camera.position.clone().sub(this.controls.target).normalize();
    if (direction.lengthSq() === 0) direction.set(0.45, 0.35, 0.82).normalize();
    const distance = size / (2 * Math.tan(THREE.MathUtils.degToRad(this.camera.fov / 2))) * 1.3;
    this.controls.target.copy(centre);
    this.camera.position.copy(centre).addScaledVector(direction, distance);
    this.controls.update();
    this.render();
  }

  reset() {
    this.camera.position.set(0, 0, 0);
    this.controls.target.set(0, 0, 0);
    this.frame(this.home);
  }

  // Frames and marks the element made of `points` (an edge when there are
  // two and no triangles) and `triangles`.
  select({ points = [], triangles = [] }) {
    for (const object of this.highlight.children) {
      object.geometry.dispose();
      object.material.dispose();
    }
    this.highlight.clear();
    const corners = [...points];
    const outline = [];
    for (const t of triangles) {
      const [a, b, c] = this.triangles.subarray(3 * t, 3 * t + 3);
      corners.push(a, b, c);
      outline.push(a, b, b, c, c, a);
    }
    if (points.length === 2 && triangles.length === 0) outline.push(points[0], points[1]);
    const onTop = { color: HIGHLIGHT, depthTest: false, transparent: true };
    const lines = new THREE.LineSegments(this.copied(outline), new THREE.LineBasicMaterial(onTop));
    const dots = new THREE.Points(this.copied(corners), new THREE.PointsMaterial({ ...onTop, size: 9, sizeAttenuation: false }));
    for (const object of [lines, dots]) {
      object.frustumCulled = false;
      object.renderOrder = 1;
      this.highlight.add(object);
    }
    const box = boundsOf(this.positions, corners);
    this.frame(box.isEmpty() ? this.home : box);
  }

  // A small geometry of its own with the points `indices`, in that order:
  // it can be disposed without touching the mesh's buffers.
  copied(indices) {
    const positions = new Float32Array(indices.length * 3);
    indices.forEach((p, i) => positions.set(this.positions.subarray(3 * p, 3 * p + 3), 3 * i));
    const geometry = new THREE.BufferGeometry();
    geometry.setAttribute('position', new THREE.BufferAttribute(positions, 3));
    geometry.boundingBox = this.home;
    geometry.boundingSphere = this.sphere;
    return geometry;
  }

  resize(container) {
    const width = Math.max(container.clientWidth, 1), height = Math.max(container.clientHeight, 1);
    const size = this.renderer.getSize(new THREE.Vector2());
    if (size.x === width && size.y === height) return;
    this.renderer.setSize(width, height, false);
    this.camera.aspect = width / height;
    this.render();
  }

  render() {
    if (!this.live) return;
    // Near and far follow the distance, so that zooming in close never clips.
    const distance = this.camera.position.distanceTo(this.controls.target);
    this.camera.near = Math.max(distance * 1e-3, this.diagonal * 1e-7);
    this.camera.far = distance + this.diagonal * 4;
    this.camera.updateProjectionMatrix();
    this.renderer.render(this.scene, this.camera);
  }

  // Where the camera is, to come back to when the view is made again.
  state() {
    return { position: this.camera.position.clone(), target: this.controls.target.clone() };
  }

  restore({ position, target }) {
    this.camera.position.copy(position);
    this.controls.target.copy(target);
    this.controls.update();
    this.render();
  }

  // Gives the WebGL context back: a browser keeps only a few at a time.
  dispose() {
    this.resizing.disconnect();
    this.controls.dispose();
    this.renderer.dispose();
    this.renderer.forceContextLoss();
    this.renderer.domElement.remove();
  }

  cameraPosition() {
    return this.camera.position.toArray();
  }
}
