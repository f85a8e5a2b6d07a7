// The Velmora demo in the browser: the desktop demo's world and scene logic
// (demo/scene.cpp) as a page script, driving the module the way a game
// exported to the browser would. Keys as on the desktop. With ?walk it
// follows the fixed tour instead; ?frames=N stops after N frames, ?mode=1|2
// starts in that mode, ?checksum=K reports every K-th frame's checksum and
// ?screenshot posts the last frame to the page runner (web/run_page.py).
// The tour computes the same camera as the desktop demo's, bit for bit, so
// its frames can be compared with the native build's.
"use strict";

const VIEW_WIDTH = 800, VIEW_HEIGHT = 600;  // the view fills the back buffer
const SCRIPTED_FPS = 60;
const MAX_PITCH = 200, LOOK_STEP = 20;  // rows: a third of the view up or down; per Page Up or Page Down

// ---------------------------------------------------------------- the world

// world.txt, as gen_assets.py writes it; a line that cannot be read stops
// the demo, as on the desktop.
function parseLevel(text) {
  const level = { textures: [], flats: [], floorTexture: 0, ceilingTexture: 0, rowLength: 0, rowCount: 0, rows: [],
                  sprites: [], start: [0, 0], startDir: [1, 0], walk: [], logo: "", patrol: null,
                  look: { fog: null, floorRows: [], ceilingRows: [], scales: [], tilts: [] } };
  const fields = { texture: 2, flat: 4, floor: 1, ceiling: 1, map: 2, row: 2, sprite: 3, start: 4, walk: 2, logo: 1, patrol: 6,
                   fog: 5, floorrow: 2, ceilingrow: 2, scale: 4, look: 2 };
  text.split("\n").forEach((raw, i) => {
    const line = raw.replace(/\r$/, ""), w = line.trim().split(/\s+/), n = k => Number(w[k]);
    if (!(w[0] in fields)) return;  // comments, and keys left for later versions of the file
    let ok = w.length > fields[w[0]];
    if (ok) switch (w[0]) {
      case "texture": level.textures.push({ index: n(1), file: w[2] }); break;
      case "flat": level.flats.push({ index: n(1), rgb: [n(2), n(3), n(4)] }); break;
      case "floor": level.floorTexture = n(1); break;
      case "ceiling": level.ceilingTexture = n(1); break;
      case "map":
        [level.rowLength, level.rowCount] = [n(1), n(2)];
        ok = level.rowLength > 0 && level.rowCount > 0;
        if (ok) level.rows = Array.from({ length: level.rowCount }, () => "1".repeat(level.rowLength));
        break;
      case "row":
        ok = n(1) >= 0 && n(1) < level.rowCount && w[2].length === level.rowLength;
        if (ok) level.rows[n(1)] = w[2];
        break;
      case "sprite": level.sprites.push({ x: n(1), y: n(2), texture: n(3) }); break;
      case "start": [level.start, level.startDir] = [[n(1), n(2)], [n(3), n(4)]]; break;
      case "walk": level.walk.push([n(1), n(2)]); break;
      case "logo": level.logo = w[1]; break;
      case "patrol":
        level.patrol = { sprite: n(1), from: [n(2), n(3)], to: [n(4), n(5)], seconds: n(6) };
        ok = n(6) > 0;
        break;
      default: ok = readLookKey(level, w, n);
    }
    if (!ok) throw new Error(`world.txt:${i + 1}: cannot read '${line}'`);
  });
  if (!level.rows.length) throw new Error("world.txt: no map");
  return level;
}

// The look's keys: fog, floor and ceiling tiles per cell, sprite sizes
// (every sprite of a texture) and the tour's tilts; false when unreadable.
function readLookKey(level, w, n) {
  const look = level.look;
  switch (w[0]) {
    case "fog": look.fog = { rgb: [n(1), n(2), n(3)], start: n(4), end: n(5) }; return true;
    case "floorrow": case "ceilingrow":
      if (!(n(1) >= 0 && n(1) < level.rowCount && w[2].length === level.rowLength)) return false;
      (w[0] === "floorrow" ? look.floorRows : look.ceilingRows).push({ x: n(1), cells: w[2] });
      return true;
    case "scale": look.scales.push({ texture: n(1), width: n(2), height: n(3), lift: n(4) }); return true;
    case "look": look.tilts.push({ waypoint: n(1), pitch: n(2) }); return n(1) >= 0;
  }
  return true;
}

// Everything outside the map counts as wall.
function cellAt(level, x, y) {
  return x < 0 || y < 0 || x >= level.rowCount || y >= level.rowLength ? 1 : level.rows[x].charCodeAt(y) - 48;
}

// Fetches the sample world into the module's files, then loads it: the
// pattern for any host in the browser.
async function setupScene(m, scene) {
  const level = scene.level = parseLevel(await (await fetch("assets/world.txt")).text());
  m.vlSetWindowSize(VIEW_WIDTH, VIEW_HEIGHT);  // before the first textured frame
  m.vlSetTextureSize(64, 64);
  await Promise.all(level.textures.map(t => m.fetchFile("assets/" + t.file, "assets/" + t.file)));
  for (const t of level.textures)
    if (m.vlLoadTexture(t.index, "assets/" + t.file) === -1) throw new Error(`vlLoadTexture(${t.file}): ${m.vlGetLastError()}`);
  for (const f of level.flats) m.vlSetFlatWallColor(f.index, ...f.rgb);
  m.vlSetFloorCeilTexture(level.floorTexture, level.ceilingTexture);
  m.vlSetMapSize(level.rowLength, level.rowCount);
  level.rows.forEach((row, x) => {
    if (m.vlLoadMap(x, row) === "") throw new Error(`vlLoadMap(${x}): ${m.vlGetLastError()}`);
  });
  scene.spriteIds = level.sprites.map(s => m.vlAddSprite(s.x, s.y, s.texture));
  setupLook(m, scene);
  // vlLoadBitmap cannot tell a missing file from image 0 by its result, so
  // only a file that arrived is loaded.
  if (level.logo && await m.fetchFile("assets/" + level.logo, "assets/" + level.logo).then(() => true, () => false))
    scene.logo = m.vlLoadBitmap("assets/" + level.logo);

  // Direction and plane at right angles; 0.66 wide gives about 66 degrees.
  const [dx, dy] = level.startDir, length = Math.sqrt(dx * dx + dy * dy);
  const c = scene.camera;
  [c.posX, c.posY, c.dirX, c.dirY] = [...level.start, dx / length, dy / length];
  [c.planeX, c.planeY] = [-c.dirY * 0.66, c.dirX * 0.66];
}

// The floor and ceiling tiles and the sprites' sizes; after the map (whose
// size clears the tiles) and the sprites.
function setupLook(m, scene) {
  const look = scene.level.look;
  if (look.fog) m.vlSetFogColor(...look.fog.rgb);
  for (const [rows, load] of [[look.floorRows, "vlLoadFloorMap"], [look.ceilingRows, "vlLoadCeilingMap"]])
    for (const r of rows)
      if (m[load](r.x, r.cells) === "") throw new Error(`${load}(${r.x}): ${m.vlGetLastError()}`);
  for (const s of look.scales)
    scene.level.sprites.forEach((sprite, i) => {
      if (sprite.texture === s.texture && m.vlSetSpriteScale(scene.spriteIds[i], s.width, s.height, s.lift) === -1)
        throw new Error(`vlSetSpriteScale(${i}): ${m.vlGetLastError()}`);
    });
  scene.pitch = 0;
}

// Each frame: the pitch, and the fog while it is on.
function applyLook(m, scene) {
  const fog = scene.level.look.fog;
  m.vlSetPitch(scene.pitch);
  if (scene.fog && fog) m.vlSetFog(fog.start, fog.end);
  else m.vlSetFog(0, 0);
}

// ---------------------------------------------------------------- moving

// Looks up (positive rows) or down, within MAX_PITCH.
function tilt(scene, rows) {
  scene.pitch = Math.max(-MAX_PITCH, Math.min(MAX_PITCH, scene.pitch + rows));
}

// The tour's view eases, a few rows a frame, to the pitch of the last tilt
// whose waypoint it has reached; integers only, as on the desktop.
function easePitch(scene) {
  const rowsPerFrame = 2;
  let target = 0;
  for (const t of scene.level.look.tilts) if (t.waypoint <= scene.waypoint) target = t.pitch;
  tilt(scene, Math.max(-rowsPerFrame, Math.min(rowsPerFrame, target - scene.pitch)));
}

// Turns by the angle whose cosine and sine are given (positive: right).
function turn(c, cos, sin) {
  const dirX = c.dirX, planeX = c.planeX;
  c.dirX = dirX * cos - c.dirY * sin;
  c.dirY = dirX * sin + c.dirY * cos;
  c.planeX = planeX * cos - c.planeY * sin;
  c.planeY = planeX * sin + c.planeY * cos;
}

// Along the view direction, sliding along walls and keeping a margin from
// them, so the camera never stands in a wall's face.
function walkForward(scene, distance) {
  const margin = 0.25, c = scene.camera, dx = c.dirX * distance, dy = c.dirY * distance;
  if (cellAt(scene.level, Math.floor(c.posX + dx + (dx > 0 ? margin : -margin)), Math.floor(c.posY)) === 0) c.posX += dx;
  if (cellAt(scene.level, Math.floor(c.posX), Math.floor(c.posY + dy + (dy > 0 ? margin : -margin))) === 0) c.posY += dy;
}

// One frame of the tour: turn towards the next point, then walk to it. Only
// + - * / and sqrt, so it computes the desktop demo's camera exactly.
function scriptedStep(scene, frame) {
  const cos = 0.99820053993520419, sin = 0.059964006479444595, step = 0.05;  // 0.06 radians; cells per frame
  scene.seconds = frame / SCRIPTED_FPS;
  easePitch(scene);
  const c = scene.camera, walk = scene.level.walk;
  while (scene.waypoint < walk.length) {
    const [x, y] = walk[scene.waypoint], tx = x - c.posX, ty = y - c.posY;
    const distance = Math.sqrt(tx * tx + ty * ty);
    if (distance < 1e-9) {
      ++scene.waypoint;
      continue;
    }
    const cross = c.dirX * ty - c.dirY * tx, dot = c.dirX * tx + c.dirY * ty;  // cross > 0: target to the right
    if (dot <= 0 || Math.abs(cross) > sin * distance) {
      turn(c, cos, cross >= 0 ? sin : -sin);
      return true;
    }
    [c.dirX, c.dirY] = [tx / distance, ty / distance];
    [c.planeX, c.planeY] = [-c.dirY * 0.66, c.dirX * 0.66];
    if (distance <= step) {
      [c.posX, c.posY] = [x, y];
      ++scene.waypoint;
    } else {
      c.posX += c.dirX * step;
      c.posY += c.dirY * step;
    }
    return true;
  }
  return false;
}

// Arrows or WASD move and turn, Q and E step sideways (Page Up, Page Down,
// Home and F act on their key presses, below).
function steer(scene, keys, dt) {
  const speed = 3.0, turnSpeed = 2.4;  // cells and radians per second
  const held = (...codes) => codes.some(k => keys.has(k)) ? 1 : 0;
  const forward = held("ArrowUp", "KeyW") - held("ArrowDown", "KeyS");
  const right = held("ArrowRight", "KeyD") - held("ArrowLeft", "KeyA");
  const side = held("KeyE") - held("KeyQ");
  if (right) turn(scene.camera, Math.cos(right * turnSpeed * dt), Math.sin(right * turnSpeed * dt));
  if (forward) walkForward(scene, forward * speed * dt);
  if (side) {  // a quarter turn, a step, and back
    turn(scene.camera, 0, 1);
    walkForward(scene, side * speed * dt);
    turn(scene.camera, 0, -1);
  }
}

// ---------------------------------------------------------------- drawing

function fill(m, r, g, b, x1, y1, x2, y2) {
  m.vlDrawColor(r, g, b);
  m.vlDrawRectangle(x1, y1, x2, y2);
}

const lerp = (a, b, step, steps) => a + Math.trunc((b - a) * step / steps);  // in integers, as the desktop demo

// Camera, moving sprite and the background the frame does not cover (the
// library never clears the back buffer), then the view.
function drawScene(m, scene, timeRender) {
  const level = scene.level, c = scene.camera;
  if (level.patrol && level.patrol.sprite >= 0 && level.patrol.sprite < scene.spriteIds.length) {
    const p = level.patrol, phase = (scene.seconds % p.seconds) / p.seconds, t = phase < 0.5 ? 2 * phase : 2 - 2 * phase;
    m.vlSetSpritePos(scene.spriteIds[p.sprite], p.from[0] + (p.to[0] - p.from[0]) * t, p.from[1] + (p.to[1] - p.from[1]) * t);
  }
  m.vlSetPlayerPos(c.posX, c.posY);
  m.vlSetPlayerDir(c.dirX, c.dirY);
  m.vlSetPlane(c.planeX, c.planeY);
  m.vlSetRenderMode(scene.mode);
  applyLook(m, scene);
  const horizon = VIEW_HEIGHT / 2 + scene.pitch, ground = VIEW_HEIGHT - horizon, bands = 20;
  if (scene.mode === 1) {
    for (let i = 0; i < bands; ++i) {  // a painted sky and ground, about the tilted horizon
      const top = Math.trunc(horizon * i / bands), bottom = Math.trunc(horizon * (i + 1) / bands);
      fill(m, lerp(34, 150, i, bands), lerp(56, 186, i, bands), lerp(120, 226, i, bands), 0, top, VIEW_WIDTH, bottom);
      fill(m, lerp(54, 124, i, bands), lerp(48, 108, i, bands), lerp(40, 84, i, bands), 0,
           horizon + Math.trunc(ground * i / bands), VIEW_WIDTH, horizon + Math.trunc(ground * (i + 1) / bands));
    }
  } else if (scene.fog && level.look.fog) {  // the fog's colour under far walls, where the floor has faded to it
    fill(m, ...level.look.fog.rgb, 0, 0, VIEW_WIDTH, VIEW_HEIGHT);
  } else {
    fill(m, 16, 12, 10, 0, 0, VIEW_WIDTH, VIEW_HEIGHT);
  }
  timeRender(() => m.vlRaycastingScreen());
  drawOverlays(m, scene);
}

// The logo, and a minimap of rectangles: world x to the right, world y down.
function drawOverlays(m, scene) {
  if (scene.logo >= 0) m.vlDrawSprite(scene.logo, 12, VIEW_HEIGHT - 44 - 12);
  if (!scene.minimap) return;
  const level = scene.level, cell = 6;
  const left = VIEW_WIDTH - level.rowCount * cell - 12, top = 28;
  const right = left + level.rowCount * cell, bottom = top + level.rowLength * cell;
  fill(m, 200, 160, 60, left - 2, top - 2, right + 2, bottom + 2);
  fill(m, 20, 18, 28, left, top, right, bottom);
  for (const f of level.flats) {  // walls in runs along x, one colour at a time
    m.vlDrawColor(...f.rgb);
    for (let y = 0; y < level.rowLength; ++y)
      for (let x = 0; x < level.rowCount;) {
        if (cellAt(level, x, y) !== f.index) {
          ++x;
          continue;
        }
        let end = x;
        while (end < level.rowCount && cellAt(level, end, y) === f.index) ++end;
        m.vlDrawRectangle(left + x * cell, top + y * cell, left + end * cell, top + (y + 1) * cell);
        x = end;
      }
  }
  m.vlDrawColor(240, 210, 110);
  level.sprites.forEach((s, i) => {
    if (level.patrol && i === level.patrol.sprite) return;
    const x = left + Math.trunc(s.x * cell), y = top + Math.trunc(s.y * cell);
    m.vlDrawRectangle(x - 1, y - 1, x + 1, y + 1);
  });
  const c = scene.camera, px = left + Math.trunc(c.posX * cell), py = top + Math.trunc(c.posY * cell);
  m.vlDrawColor(255, 70, 60);
  for (let k = 1; k <= 3; ++k) {  // a short line of dots along the view direction
    const x = px + Math.trunc(c.dirX * k * 3), y = py + Math.trunc(c.dirY * k * 3);
    m.vlDrawRectangle(x - 1, y - 1, x + 1, y + 1);
  }
  m.vlDrawRectangle(px - 2, py - 2, px + 2, py + 2);
}

function drawHud(m, scene, fps, renderMs) {
  const f = (v, digits) => v.toFixed(digits).padStart(5);
  fill(m, 14, 12, 22, 0, 0, VIEW_WIDTH, 19);
  m.vlDrawColor(236, 232, 214);  // text takes the colour set last
  m.vlDrawText(8, 3, `${f(fps, 1)} fps   render ${f(renderMs, 2)} ms   x ${f(scene.camera.posX, 2)}  y ` +
               `${f(scene.camera.posY, 2)}   ${scene.mode === 1 ? "flat" : "textured"}     1/2 mode  M map  F fog  ` +
               "PgUp/PgDn look  arrows/WASD move  Esc quit");
}

// FNV-1a (32 bits) over the red, green and blue bytes: the desktop demo's
// frame checksum.
function checksum(rgba) {
  let h = 2166136261;
  for (let i = 0; i < rgba.length; i += 4)
    for (let k = 0; k < 3; ++k) h = Math.imul(h ^ rgba[i + k], 16777619) >>> 0;
  return h.toString(16).padStart(8, "0");
}

// ---------------------------------------------------------------- the page

(async () => {
  const query = new URLSearchParams(location.search);
  const report = message => fetch("/report", { method: "POST", body: JSON.stringify(message) });
  const status = document.getElementById("status");
  const canvas = document.getElementById("view");
  const scene = { mode: Number(query.get("mode")) === 1 ? 1 : 2, minimap: !query.has("no-minimap"), logo: -1, spriteIds: [],
                  waypoint: 0, seconds: 0, fog: true, pitch: 0, camera: { posX: 0, posY: 0, dirX: 1, dirY: 0, planeX: 0, planeY: 0.66 } };
  let m;
  try {
    m = await Velmora({ canvas });
    m.vlInit(0);
    await setupScene(m, scene);
  } catch (e) {
    status.textContent = `The demo cannot start: ${e.message}`;
    if (query.has("walk")) report({ lines: [`demo: ${e.message}`], done: true, failed: 1 });
    return;
  }

  const keys = new Set(), frames = Number(query.get("frames")) || 0, every = Number(query.get("checksum")) || 0;
  const timing = { render: 0, present: 0, count: 0 };
  const timeRender = render => {
    const start = performance.now();
    render();
    timing.render += performance.now() - start;
    timing.count++;
  };
  let frame = 0, fps = 0, fpsFrames = 0, fpsStart = performance.now(), last = fpsStart, quit = false;
  const lines = [];

  // One frame; false when the demo ends (Esc, the tour's end, or ?frames).
  function step(now) {
    const dt = Math.min(Math.max(now - last, 0) / 1000, 0.1);  // no leaps after a stall
    last = now;
    if (query.has("walk")) {
      if (!scriptedStep(scene, frame)) return false;
    } else {
      steer(scene, keys, dt);
      scene.seconds += dt;
    }
    drawScene(m, scene, timeRender);
    if (every > 0 && (frame + 1) % every === 0) {
      m.vlDrawScreen();
      lines.push(`checksum frame ${frame} mode ${scene.mode} ${checksum(canvas.getContext("2d").getImageData(0, 0, VIEW_WIDTH, VIEW_HEIGHT).data)}`);
    }
    drawHud(m, scene, fps, timing.count ? timing.render / timing.count : 0);
    const start = performance.now();
    m.vlDrawScreen();
    timing.present += performance.now() - start;
    ++frame;
    ++fpsFrames;
    if (now - fpsStart >= 500) {
      fps = fpsFrames * 1000 / (now - fpsStart);
      [fpsStart, fpsFrames] = [now, 0];
    }
    return !quit && !(frames > 0 && frame >= frames);
  }

  async function finish() {
    const average = total => (timing.count ? total / timing.count : 0).toFixed(3);
    status.textContent = "Stopped. Reload the page to walk again.";
    if (!query.has("walk")) return;
    lines.push(`frames: ${frame} (${scene.mode === 1 ? "flat" : "textured"} mode at the end)`,
               `vlRaycastingScreen: ${average(timing.render)} ms average`,
               `vlDrawScreen: ${average(timing.present)} ms average`);
    await report({ lines, png: query.has("screenshot") ? canvas.toDataURL("image/png") : undefined, done: true, failed: 0 });
  }

  if (query.has("walk")) {  // as fast as it goes, letting the page breathe now and then
    while (step(performance.now())) if (frame % 30 === 0) await new Promise(resolve => setTimeout(resolve));
    return finish();
  }
  addEventListener("keydown", e => {
    keys.add(e.code);
    if (e.code.startsWith("Arrow") || e.code.startsWith("Page") || e.code === "Home") e.preventDefault();  // the page itself must not scroll
    // Repeats too: holding the key keeps tilting.
    if (e.code === "PageUp" || e.code === "PageDown") tilt(scene, e.code === "PageUp" ? LOOK_STEP : -LOOK_STEP);
    if (e.repeat) return;
    if (e.code === "Escape") quit = true;
    if (e.code === "Digit1" || e.code === "Digit2") scene.mode = e.code === "Digit1" ? 1 : 2;
    if (e.code === "KeyM") scene.minimap = !scene.minimap;
    if (e.code === "KeyF") scene.fog = !scene.fog;
    if (e.code === "Home") scene.pitch = 0;
  });
  addEventListener("keyup", e => keys.delete(e.code));
  addEventListener("blur", () => keys.clear());
  const loop = now => (step(now) ? requestAnimationFrame(loop) : finish());
  requestAnimationFrame(loop);
})();
