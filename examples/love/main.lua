-- A Velmora host in LÖVE: LuaJIT's FFI declares the library's functions from
-- velmora_ffi.h as it is, and every frame is copied into an ImageData that
-- LÖVE draws. Walks the camera across a small walled room, then writes the
-- last frame as a PNG file and quits.
--
--     love examples/love [--library PATH] [--frames N] [--out FILE.png]
--
-- The library (libvelmora.so, or Velmora.dll) is taken from --library, then
-- from VELMORA_LIBRARY, then looked for beside main.lua and in the two
-- folders above it (the top of a release package); velmora_ffi.h beside
-- main.lua, in those folders (or their include/), or beside the library.
local ffi = require("ffi")

local WIDTH, HEIGHT = 800, 600  -- the back buffer, whatever the view's size
local LIBRARY = ffi.os == "Windows" and "Velmora.dll" or "libvelmora.so"

-- The room: one string per world column x, one digit per cell (x, y);
-- 0 is open floor, 1 to 9 a wall whose number picks its colour.
local ROOM = { "11111111", "10000001", "10000001", "10000001",
               "10000001", "12000001", "10000001", "11111111" }

local vl, options, frame, image
local shown = 0

-- An error ends the program with its message and exit status 1 instead of
-- LÖVE's error screen, which waits for a key: scripts and tests see it.
function love.errorhandler(message)
  io.stderr:write("main.lua: ", tostring(message), "\n")
  os.exit(1)
end

local function readable(path)
  local f = path and io.open(path, "rb")
  if f then f:close() end
  return f ~= nil
end

-- The first of folder/name over the folders, or nil.
local function find(name, folders)
  for _, folder in ipairs(folders) do
    if readable(folder .. "/" .. name) then return folder .. "/" .. name end
  end
end

local function parse(args)
  local o = { frames = 120, out = "walk.png" }
  local i = 1
  while i <= #args do
    local name, value = args[i], args[i + 1]
    if name == "--library" and value then o.library = value
    elseif name == "--out" and value then o.out = value
    elseif name == "--frames" and tonumber(value) then o.frames = math.max(math.floor(tonumber(value)), 2)
    else error("usage: love <folder> [--library PATH] [--frames N] [--out FILE.png]; not " .. tostring(name), 0) end
    i = i + 2
  end
  return o
end

-- A call that fails returns -1.0 and leaves its reason behind.
local function check(result, call)
  if result == -1 then error(call .. " failed: " .. ffi.string(vl.vlGetLastError()), 0) end
  return result
end

function love.load(args)
  options = parse(args)
  local here = love.filesystem.getSource()
  local folders = { here, here .. "/..", here .. "/../.." }
  local library = options.library or os.getenv("VELMORA_LIBRARY") or find(LIBRARY, folders)
  if not readable(library) then
    error("no " .. LIBRARY .. " beside main.lua; give its path with --library or VELMORA_LIBRARY", 0)
  end
  local header = find("velmora_ffi.h", { here, here .. "/..", here .. "/../..", here .. "/../../include",
                                         library:match("^(.*)[/\\]") or "." })
  if not header then error("no velmora_ffi.h beside main.lua or the library", 0) end
  ffi.cdef(io.open(header):read("*a"))
  vl = ffi.load(library)

  check(vl.vlInit(0), "vlInit")  -- window 0: LÖVE shows the frames, Velmora presents nowhere
  vl.vlSetWindowSize(512, 384)
  vl.vlSetRenderMode(1)  -- flat walls; y-facing sides are drawn at half brightness
  vl.vlSetFlatWallColor(1, 64, 128, 255)
  vl.vlSetFlatWallColor(2, 64, 128, 255)
  vl.vlSetMapSize(#ROOM[1], #ROOM)
  for x, row in ipairs(ROOM) do
    if ffi.string(vl.vlLoadMap(x - 1, row)) == "" then check(-1, "vlLoadMap(" .. (x - 1) .. ")") end
  end
  -- Velmora writes R, G, B, 255 rows of 3200 bytes: an rgba8 ImageData of
  -- 800 x 600, straight into its memory.
  frame = love.image.newImageData(WIDTH, HEIGHT, "rgba8")
  image = love.graphics.newImage(frame)
end

function love.update()
  -- One cell along the room, looking along +x: position x goes from 1.5 to
  -- exactly 2.5 in the last frame.
  local k = shown
  -- The library never clears the back buffer: sky and ground first.
  vl.vlDrawColor(90, 140, 200)
  vl.vlDrawRectangle(0, 0, WIDTH, HEIGHT / 2)
  vl.vlDrawColor(60, 50, 40)
  vl.vlDrawRectangle(0, HEIGHT / 2, WIDTH, HEIGHT)
  vl.vlSetPlayerPos(1.5 + k / (options.frames - 1), 2.5)
  vl.vlSetPlayerDir(1, 0)
  vl.vlSetPlane(0, 0.66)
  check(vl.vlRaycastingScreen(), "vlRaycastingScreen")
  check(vl.vlCopyBackBuffer(frame:getFFIPointer(), 0), "vlCopyBackBuffer")
  image:replacePixels(frame)
  shown = k + 1
  if shown == options.frames then
    local out = io.open(options.out, "wb")
    if not out then error("cannot write " .. options.out, 0) end
    out:write(frame:encode("png"):getString())
    out:close()
    print("frames: " .. shown)
    print("wrote " .. options.out)
    love.event.quit(0)
  end
end

function love.draw()
  love.graphics.draw(image, 0, 0)
end
