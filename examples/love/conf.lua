-- An 800 x 600 window for the back buffer, and only the modules the example
-- uses (no sound: a machine without an audio device runs it too).
function love.conf(t)
  t.window.title = "Velmora in LÖVE"
  t.window.width = 800
  t.window.height = 600
  t.modules.audio = false
  t.modules.sound = false
  t.modules.joystick = false
  t.modules.physics = false
end
