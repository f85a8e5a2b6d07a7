// The browser build's test page. It replays the scenes the native build
// recorded (golden.json, written by web_scenes) through velmora.js, reads
// each frame back from the canvas and compares checksums, then checks text,
// files, errors and limits in tables. It reports to the runner (run_page.py):
// one line per failure and a summary line.
"use strict";

const results = { passed: 0, failed: 0, lines: [] };

function check(name, ok, detail) {
  if (ok) results.passed++;
  else {
    results.failed++;
    results.lines.push(`FAILED ${name}${detail === undefined ? "" : ": " + detail}`);
  }
}

function same(name, actual, expected) {
  check(name, Object.is(actual, expected), `got ${JSON.stringify(actual)}, expected ${JSON.stringify(expected)}`);
}

// The native golden checksum (tests/support/golden_frames.cpp), from RGBA
// bytes: FNV-1a in 64 bits, kept in two 32-bit halves, from the native
// tests' starting value 1469598103934665603, over the blue, green and red
// bytes of every pixel, rows top-down.
function checksum(rgba) {
  let hi = 0x14650fb0, lo = 0x739d0383;
  for (let i = 0; i < rgba.length; i += 4) {
    for (const byte of [rgba[i + 2], rgba[i + 1], rgba[i]]) {
      lo = (lo ^ byte) >>> 0;
      // times 0x100000001B3: lo * 0x1B3 exactly in a double, then the
      // 2^40 part, which only moves lo into hi
      const product = lo * 0x1b3, low = product >>> 0;
      hi = (Math.imul(hi, 0x1b3) + (product - low) / 4294967296 + (lo << 8)) >>> 0;
      lo = low;
    }
  }
  return hi.toString(16).padStart(8, "0") + lo.toString(16).padStart(8, "0");
}

const canvas = document.getElementById("view");
const context2d = canvas.getContext("2d");
const canvasChecksum = () => checksum(context2d.getImageData(0, 0, 800, 600).data);
const cp1252 = new TextDecoder("windows-1252");

// A recorded argument: a number, a special double, or a string's bytes.
function argument(a) {
  if (typeof a === "number") return a;
  if (a.d !== undefined) return Number(a.d);
  return cp1252.decode(new Uint8Array(a.b));
}

// Fetch the files a list of calls loads, then make the calls: the pattern
// docs/API.md shows for hosts.
async function replay(m, calls) {
  for (const [name, ...args] of calls)
    if (name === "vlLoadTexture" || name === "vlLoadBitmap") {
      const path = argument(args[name === "vlLoadTexture" ? 1 : 0]);
      await m.fetchFile(path, path);
    }
  for (const [name, ...args] of calls) m[name](...args.map(argument));
}

function bmp24(width, height, colour) {  // a bottom-up 24-bit file of one colour
  const row = (width * 3 + 3) & ~3, bytes = new Uint8Array(54 + row * height), view = new DataView(bytes.buffer);
  bytes.set([0x42, 0x4d]);
  view.setUint32(2, bytes.length, true);
  view.setUint32(10, 54, true);
  view.setUint32(14, 40, true);
  view.setInt32(18, width, true);
  view.setInt32(22, height, true);
  view.setUint16(26, 1, true);
  view.setUint16(28, 24, true);
  for (let y = 0; y < height; ++y)
    for (let x = 0; x < width; ++x) bytes.set([colour[2], colour[1], colour[0]], 54 + y * row + x * 3);
  return bytes;
}

async function goldenScenes(m, recorded) {
  await replay(m, recorded.setup);  // vlInit first
  same("the golden world loads", m.vlGetLastError(), "");
  for (const scene of recorded.scenes) {
    await replay(m, scene.calls);
    same(`vlDrawScreen of ${scene.name}`, m.vlDrawScreen(), 1);
    same(`canvas of ${scene.name}`, canvasChecksum(), scene.checksum);
  }
  const copy = m.backBufferRGBA(), shown = context2d.getImageData(0, 0, 800, 600).data;
  check("backBufferRGBA gives a new array of the whole back buffer",
        copy instanceof Uint8ClampedArray && copy.length === 800 * 600 * 4 && copy !== m.backBufferRGBA());
  check("backBufferRGBA gives what the canvas shows", copy.every((v, i) => v === shown[i]));
}

async function textAndFiles(m) {
  // Every byte value but 0 round-trips: string to bytes and back again.
  const every = cp1252.decode(Uint8Array.from({ length: 255 }, (_, i) => i + 1));
  same("all 255 characters of windows-1252 round-trip", m.vlLoadMap(-1, every), every);
  same("characters outside windows-1252 become ?", m.vlLoadMap(-1, "a\u4e2d\u{1F600}\ud800b€"), "a???b€");
  for (const empty of [null, undefined, ""]) same(`vlLoadMap(-1, ${empty}) gives ""`, m.vlLoadMap(-1, empty), "");
  same("a file name with every character reaches the error text", (m.vlLoadTexture(7, "/x" + every), m.vlGetLastError()),
       `EFOpenError: Cannot open file "/x${every}". No such file or directory`);

  // Names written from JavaScript are found by the same names from the
  // exports, whatever their characters.
  const names = ["/données/été €.bmp", "ü.bmp", "dir/Œuvre—№.bmp"];
  for (const name of names) {
    m.FS.mkdirTree("/" + name.split("/").slice(0, -1).join("/"));
    m.FS.writeFile(name, bmp24(4, 3, [200, 10, 10]));
  }
  same("a texture named in windows-1252", m.vlLoadTexture(9, names[0]), 0);
  check("an overlay image named in windows-1252", m.vlLoadBitmap(names[1]) >= 0, m.vlGetLastError());
  same("a name outside windows-1252 is another name", m.vlLoadTexture(9, names[2]), -1);
  same("... and its error says so", m.vlGetLastError(), `EFOpenError: Cannot open file "/dir/Œuvre—?.bmp". No such file or directory`);

  // fetchFile makes the folders and resolves against the current folder,
  // whose name errors give in windows-1252 too.
  m.FS.mkdirTree("/niveau é");
  m.FS.chdir("/niveau é");
  await m.fetchFile("golden/brick.bmp", "walls/brick.bmp");
  same("fetchFile then vlLoadTexture, relative to the current folder", m.vlLoadTexture(3, "walls/brick.bmp"), 0);
  same("... which is /niveau é", m.FS.readFile("/niveau é/walls/brick.bmp").length > 0, true);
  same("a relative name in the error text", (m.vlLoadTexture(3, "gone.bmp"), m.vlGetLastError()),
       'EFOpenError: Cannot open file "/niveau é/gone.bmp". No such file or directory');
  m.FS.chdir("/");
  same("fetchFile rejects with the HTTP status", await m.fetchFile("no-such-file.bmp", "x.bmp").then(() => 0, e => e.status), 404);
}

// Failing calls, each followed by a frame that must still be the golden one.
async function errors(m, recorded) {
  m.FS.writeFile("/not-a-bitmap.bmp", new TextEncoder().encode("hello, this is text"));
  m.FS.writeFile("/short.bmp", new Uint8Array([0x42, 0x4d, 1, 2, 3, 4, 5, 6, 7, 8]));
  // A PNG signature and nothing after it: the PNG decoder's own reason.
  m.FS.writeFile("/cut.png", new Uint8Array([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13]));
  const buffer = m._malloc(800 * 600 * 4);
  const cases = [
    ["a missing file", () => m.vlLoadTexture(2, "missing.bmp"), -1, 'EFOpenError: Cannot open file "/missing.bmp". No such file or directory'],
    ["a file that is not a bitmap", () => m.vlLoadTexture(2, "/not-a-bitmap.bmp"), -1, "EInvalidGraphic: Bitmap image is not valid"],
    ["a file that ends in its header", () => m.vlLoadBitmap("/short.bmp"), -1, "EReadError: Stream read error"],
    ["a PNG that ends in its header", () => m.vlLoadTexture(2, "/cut.png"), -1, "EInvalidGraphic: PNG image is not valid: first not IHDR"],
    ["a map row that is not digits", () => m.vlLoadMap(1, "1x"), "", "EConvertError: 'x' is not a valid integer value"],
    ["a NaN camera", () => (m.vlSetPlayerPos(NaN, NaN), m.vlSetPlayerDir(NaN, 1), m.vlRaycastingScreen()), 0, null],
    ["a pointer past the module's memory", () => m.vlCopyBackBuffer(m.HEAPU8.length - 100, 0), -1, "EInvalidPointer: Destination lies outside the module's memory"],
    ["a pointer that is not a whole number", () => m.vlCopyBackBuffer(buffer + 0.5, 0), -1, "EInvalidPointer: Destination lies outside the module's memory"],
    ["a negative pointer", () => m.vlCopyBackBuffer(-8, 1), -1, "EInvalidPointer: Destination lies outside the module's memory"],
    ["a null pointer", () => m.vlCopyBackBuffer(null, 0), -1, "EInvalidPointer: Destination is a null pointer"],
    ["a pixel format out of range", () => m.vlCopyBackBuffer(buffer, 2), -1, "ERangeError: Pixel format out of range"],
    ["a map side too large", () => m.vlSetMapSize(5000, 5), -1, "ERangeError: Map size out of range"],
  ];
  const probe = recorded.scenes[0];
  for (const [name, call, result, error] of cases) {
    same(`${name}: result`, call(), result);
    if (error !== null) same(`${name}: error`, m.vlGetLastError(), error);
    await replay(m, probe.calls);
    m.vlDrawScreen();
    same(`${name}: the next frame`, canvasChecksum(), probe.checksum);
  }
  same("vlCopyBackBuffer into the module's memory", m.vlCopyBackBuffer(buffer, 0), 800 * 600 * 4);
  same("... gives the canvas's bytes", checksum(m.HEAPU8.subarray(buffer, buffer + 800 * 600 * 4)), probe.checksum);
  m._free(buffer);
}

// Before vlInit every drawing call fails alike, and so does backBufferRGBA.
async function beforeInit() {
  const m = await Velmora({});
  const drawing = [
    ["vlDrawColor", 10, 20, 30], ["vlDrawRectangle", 0, 0, 5, 5], ["vlDrawText", 1, 1, "Hi"], ["vlDrawSprite", 0, 1, 1],
    ["vlDrawScreen"], ["vlRaycastingScreen"], ["vlCopyBackBuffer", 8, 0],
  ];
  for (const [name, ...args] of drawing) {
    same(`${name} before vlInit`, m[name](...args), -1);
    same(`${name} before vlInit: error`, m.vlGetLastError(), "EInvalidOperation: Canvas does not allow drawing");
  }
  m.vlSetMapSize(5000, 1);  // another error first, so the next one must set its own text
  same("backBufferRGBA before vlInit", m.backBufferRGBA(), null);
  same("backBufferRGBA before vlInit: error", m.vlGetLastError(), "EInvalidOperation: Canvas does not allow drawing");
  same("vlInit", m.vlInit(0), 1);
  same("vlDrawScreen without a canvas presents nothing", m.vlDrawScreen(), 1);
  same("numbers as JavaScript converts them", [m.vlAddSprite("1.5", 2n, 1), m.vlAddSprite(1, 2, 1)].join(), "0,1");
  let thrown = null;
  try { m.vlSetPlayerPos(Symbol("x"), 1); } catch (e) { thrown = e; }
  check("a value that is no number throws a TypeError", thrown instanceof TypeError, String(thrown));
  same("... before the call, so the module stays usable", m.vlDrawScreen(), 1);
}

// Canvases that are not 800 x 600, or that take no 2D image.
async function canvases() {
  const small = Object.assign(document.createElement("canvas"), { width: 100, height: 50 });
  const m = await Velmora({ canvas: small });
  m.vlInit(0);
  m.vlDrawColor(1, 2, 3);
  m.vlDrawRectangle(0, 0, 800, 600);
  same("vlDrawScreen into a smaller canvas", m.vlDrawScreen(), 1);
  same("... shows the part that fits", Array.from(small.getContext("2d").getImageData(99, 49, 1, 1).data).join(), "1,2,3,255");

  const taken = document.createElement("canvas");
  taken.getContext("bitmaprenderer");
  const n = await Velmora({ canvas: taken });
  n.vlInit(0);
  same("vlDrawScreen into a canvas without a 2D context", n.vlDrawScreen(), -1);
  same("... says why", n.vlGetLastError(),
       "EOSError: The canvas takes no 2D image (a canvas drawn with WebGL has no 2D context); use backBufferRGBA()");
  check("... and the pixels are still there", n.backBufferRGBA().length === 800 * 600 * 4);
}

// vlCastRay and vlGetRayHit on the renderer's example map, as natively.
async function castRay() {
  const m = await Velmora({});
  m.vlSetMapSize(8, 8);
  for (let x = 0; x < 8; ++x) m.vlLoadMap(x, x === 0 || x === 7 ? "11111111" : x === 5 ? "10200001" : "10000001");
  const hit = () => [0, 1, 2, 3, 4, 5].map(what => m.vlGetRayHit(what)).join();
  same("vlGetRayHit before a cast", m.vlGetRayHit(0), -1);
  same("vlCastRay along the centre column", m.vlCastRay(2.5, 2.5, 1, 0), 2.5);
  same("... meets cell (5, 2), side 0, kind 2, at (5, 2.5)", hit(), "5,2,0,2,5,2.5");
  same("vlCastRay through a tie", m.vlCastRay(2.5, 2.5, 1, 1), 4.5 * Math.SQRT2);
  same("... meets cell (6, 7) on side 1 at (7, 7)", hit(), "6,7,1,1,7,7");
  same("a ray from outside the map", m.vlCastRay(20.5, 2.5, -1, 0), -1);
  same("... leaves the map", m.vlGetLastError(), "ERangeError: The ray leaves the map");
  same("... and the last hit stays", hit(), "6,7,1,1,7,7");
  same("a NaN direction", [m.vlCastRay(2.5, 2.5, NaN, 1), m.vlGetLastError()].join(), "-1,ERangeError: Ray out of range");
}

// The presentation cases of tests/support/presentation_cases.h, each read
// back from a canvas of the case's size and compared with the sampling rule
// worked out here: [name, mode, left, top, right, bottom, width, height,
// first width, first height (presented at first, then resized)].
const PRESENT_CASES = [
  ["actual size, an area, the rest of a larger canvas left alone", 0, 100, 50, 612, 434, 1000, 700],
  ["stretch, larger, odd sizes", 1, 0, 0, 800, 600, 1021, 767],
  ["stretch, smaller, odd sizes", 1, 0, 0, 800, 600, 333, 251],
  ["actual size, a canvas grown since, still smaller", 0, 0, 0, 800, 600, 640, 480],
  ["fit, a wide canvas", 2, 0, 0, 800, 600, 1200, 675],
  ["fit, a tall odd canvas", 2, 0, 0, 800, 600, 501, 777],
  ["fit, an odd area", 2, 3, 7, 250, 190, 1000, 700],
  ["whole multiples, k = 1", 3, 0, 0, 800, 600, 1100, 800],
  ["whole multiples of an area, k = 3", 3, 10, 20, 266, 212, 1000, 700],
  ["whole multiples, a smaller canvas fits", 3, 0, 0, 800, 600, 640, 500],
  ["fit, resized between calls", 2, 0, 0, 800, 600, 900, 500, 700, 900],
  ["a 0 x 0 canvas", 2, 0, 0, 800, 600, 0, 0],
];
const UNTOUCHED = [0x12, 0x34, 0x56];

function patternBmp() {  // every pixel differs: red, green the low bytes of x, y; blue their high bits
  const bytes = bmp24(800, 600, [0, 0, 0]), row = 800 * 3;
  for (let y = 0; y < 600; ++y)
    for (let x = 0; x < 800; ++x)
      bytes.set([(x >> 8) | (y >> 8) << 4, y & 255, x & 255], 54 + (599 - y) * row + x * 3);
  return bytes;
}

function expectedCanvas([, mode, left, top, right, bottom, cw, ch]) {
  const sw = right - left, sh = bottom - top;
  let dw = cw, dh = ch;
  if (mode === 0) [dw, dh] = [sw, sh];
  else if (mode >= 2) {
    const k = mode === 3 ? Math.min(Math.floor(cw / sw), Math.floor(ch / sh)) : 0;
    if (k >= 1) [dw, dh] = [k * sw, k * sh];
    else if (cw * sh >= ch * sw) [dw, dh] = [Math.floor(ch * sw / sh), ch];
    else [dw, dh] = [cw, Math.floor(cw * sh / sw)];
  }
  const x0 = mode === 0 ? 0 : Math.floor((cw - dw) / 2), y0 = mode === 0 ? 0 : Math.floor((ch - dh) / 2);
  const out = new Uint8ClampedArray(cw * ch * 4);
  for (let y = 0; y < ch; ++y)
    for (let x = 0; x < cw; ++x) {
      let c = mode === 0 ? UNTOUCHED : [0, 0, 0];
      if (x >= x0 && x < x0 + dw && y >= y0 && y < y0 + dh) {
        const sx = left + Math.floor(((2 * (x - x0) + 1) * sw) / (2 * dw));
        const sy = top + Math.floor(((2 * (y - y0) + 1) * sh) / (2 * dh));
        c = [sx & 255, sy & 255, (sx >> 8) | (sy >> 8) << 4];
      }
      out.set([c[0], c[1], c[2], 255], (y * cw + x) * 4);
    }
  return out;
}

function firstDifference(shown, expected, width) {
  for (let i = 0; i < expected.length; ++i)
    if (shown[i] !== expected[i]) {
      const p = i >> 2;
      return `pixel (${p % width}, ${Math.floor(p / width)}) byte ${i & 3} is ${shown[i]}, expected ${expected[i]}`;
    }
  return "";
}

async function presentation() {
  const view = document.createElement("canvas"), context = view.getContext("2d");
  const m = await Velmora({ canvas: view });
  m.FS.writeFile("/pattern.bmp", patternBmp());
  same("vlSetWindow before vlInit", m.vlSetWindow(5), 1);
  m.vlInit(0);
  m.vlDrawSprite(m.vlLoadBitmap("/pattern.bmp"), 0, 0);
  for (const c of PRESENT_CASES) {
    const [name, mode, left, top, right, bottom, width, height, firstWidth, firstHeight] = c;
    m.vlSetPresentation(mode);
    m.vlSetPresentArea(left, top, right, bottom);
    if (firstWidth) {
      Object.assign(view, { width: firstWidth, height: firstHeight });
      m.vlDrawScreen();
    }
    Object.assign(view, { width, height });
    context.fillStyle = `rgb(${UNTOUCHED.join()})`;
    context.fillRect(0, 0, width, height);
    same(`${name}: vlDrawScreen`, m.vlDrawScreen(), 1);
    if (width) same(`${name}: the canvas`, firstDifference(context.getImageData(0, 0, width, height).data, expectedCanvas(c), width), "");
  }
  // vlSetWindow keeps the canvas as the target, and everything else.
  same("vlSetWindow", m.vlSetWindow(123), 1);
  Object.assign(view, { width: 1000, height: 700 });
  m.vlDrawScreen();
  same("... the canvas still shows the frame as set", firstDifference(context.getImageData(0, 0, 1000, 700).data,
       expectedCanvas(PRESENT_CASES[11].slice(0, 6).concat([1000, 700])), 1000), "");
  same("a presentation mode out of range", (m.vlSetPresentation(4), m.vlGetLastError()), "ERangeError: Presentation mode out of range");
  same("a presentation area out of range", (m.vlSetPresentArea(0, 0, 801, 600), m.vlGetLastError()), "ERangeError: Presentation area out of range");
}

// A trap inside the module ends it: that call and every later one throw.
async function trapped() {
  const m = await Velmora({});
  m.vlInit(0);
  m._vlTest = () => { throw new WebAssembly.RuntimeError("unreachable"); };
  for (const [name, call] of [["the trapping call", () => m.vlTest()], ["a later call", () => m.vlInit(0)],
                              ["backBufferRGBA", () => m.backBufferRGBA()]]) {
    let thrown = null;
    try { call(); } catch (e) { thrown = e; }
    check(`${name} throws an Error`, thrown instanceof Error && /cannot be used again/.test(thrown.message), String(thrown));
  }
}

(async () => {
  try {
    const recorded = await (await fetch("golden.json")).json();
    const m = await Velmora({ canvas, locateFile: name => "../../" + name });
    await goldenScenes(m, recorded);
    await textAndFiles(m);
    await errors(m, recorded);
    await beforeInit();
    await canvases();
    await castRay();
    await presentation();
    await trapped();
  } catch (e) {
    check("the page runs to its end", false, e && e.stack || String(e));
  }
  results.lines.push(`web: ${results.passed} passed, ${results.failed} failed`);
  await fetch("/report", { method: "POST", body: JSON.stringify({ lines: results.lines, done: true, failed: results.failed }) });
})();
