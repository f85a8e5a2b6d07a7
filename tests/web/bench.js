// The browser build's benchmark (make bench-web): the benchmark world of
// bench/bench_scene.h, recorded by the native build (bench.json, written by
// web_scenes with the native build's own times), timed through velmora.js.
// The medians of performance.now() go into one table beside the native ones.
"use strict";

const cp1252 = new TextDecoder("windows-1252");
const argument = a => typeof a === "number" ? a : a.d !== undefined ? Number(a.d) : cp1252.decode(new Uint8Array(a.b));
const median = v => v.slice().sort((a, b) => a - b)[v.length >> 1];

// Each call runs for a while before it is timed: the engine compiles the
// module's hot code again, optimised and in the background, only after it
// has run a while. Then each call is timed alone over the camera walk; the
// median of a walk, and the best of ROUNDS walks, as the native tool takes
// them, since the machine is shared and a busy moment slows a whole walk.
const WARM_UP_MS = 2000, ROUNDS = 5;

function timeEach(count, before, call) {
  for (let i = 0, start = performance.now(); performance.now() - start < WARM_UP_MS; ++i) {
    before(i);
    call();
  }
  let best = Infinity;
  for (let round = 0; round < ROUNDS; ++round) {
    const times = [];
    for (let i = 0; i < count; ++i) {
      before(i);
      const start = performance.now();
      call();
      times.push(performance.now() - start);
    }
    best = Math.min(best, median(times));
  }
  return best;
}

(async () => {
  const lines = [];
  try {
    const recorded = await (await fetch("bench.json")).json();
    const m = await Velmora({ canvas: document.getElementById("view") });
    for (const [name, ...args] of recorded.setup)
      if (name === "vlLoadTexture") await m.fetchFile(argument(args[1]), argument(args[1]));
    for (const [name, ...args] of recorded.setup) m[name](...args.map(argument));
    if (m.vlGetLastError()) throw new Error(m.vlGetLastError());

    const poses = recorded.poses.map(p => p.map(argument));
    const pose = i => {
      const [x, y, dx, dy, px, py] = poses[i % poses.length];
      m.vlSetPlayerPos(x, y);
      m.vlSetPlayerDir(dx, dy);
      m.vlSetPlane(px, py);
    };
    const buffer = m._malloc(800 * 600 * 4);
    const rows = [
      [recorded.scene, timeEach(poses.length, pose, () => m.vlRaycastingScreen()), recorded.native.frame, "< 2"],
      ["vlDrawScreen 800x600", timeEach(poses.length, () => {}, () => m.vlDrawScreen()), null, ""],
      ["vlCopyBackBuffer 800x600 RGBA", timeEach(poses.length, () => {}, () => m.vlCopyBackBuffer(buffer, 0)),
       recorded.native.copy, ""],
    ];
    const cell = (v, width) => (v === null ? "-" : v.toFixed(3)).padStart(width);
    const head = `median ms, best of ${ROUNDS} walks`;
    lines.push(`${head.padEnd(34)} ${"browser".padStart(9)} ${"native".padStart(9)} ${"ratio".padStart(7)}  goal`);
    for (const [name, wasm, native, goal] of rows) {
      const ratio = native ? (wasm / native).toFixed(2) + "x" : "-";
      lines.push(`${name.padEnd(34)} ${cell(wasm, 9)} ${cell(native, 9)} ${ratio.padStart(7)}  ${goal}`);
    }
    if (!crossOriginIsolated) lines.push("(the page is not cross-origin isolated: the timer steps 0.1 ms)");
  } catch (e) {
    lines.push(`the benchmark failed: ${e && e.stack || e}`);
    await fetch("/report", { method: "POST", body: JSON.stringify({ lines, done: true, failed: 1 }) });
    return;
  }
  await fetch("/report", { method: "POST", body: JSON.stringify({ lines, done: true, failed: 0 }) });
})();
