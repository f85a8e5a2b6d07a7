// The module's methods, one per export, with the library's own names. Linked
// in after emscripten's code (--post-js), inside the factory Velmora(options),
// so it sees Module (the options object), HEAPU8, FS and the raw exports
// (_vlInit, ...), which take numbers and pointers only.
//
// Text crosses as the Windows library's hosts pass it: 8-bit windows-1252.
// The library converts (platform/web/text_1252.cpp, the one table of the code
// page); here a string travels as UTF-8 into the module's memory and back.
(function () {
  "use strict";

  // Which arguments are text, and which exports return text; the rest are
  // numbers, and vlCopyBackBuffer's first argument is a pointer.
  var TEXT_ARGUMENTS = {
    vlLoadMap: [1], vlLoadTexture: [1], vlLoadBitmap: [0], vlDrawText: [2], vlLoadFloorMap: [1], vlLoadCeilingMap: [1]
  };
  var TEXT_RESULTS = { vlLoadMap: true, vlGetLastError: true, vlLoadFloorMap: true, vlLoadCeilingMap: true };
  var POINTER_ARGUMENTS = { vlCopyBackBuffer: [0] };
  var BACK_BUFFER_BYTES = 800 * 600 * 4;

  // Set by the first call that trapped. The module's memory may be
  // half-updated then, so every later call refuses to run.
  var failure = null;
  var encoder = new TextEncoder();

  // A string as host text in memory of its own (free it after the call);
  // null and undefined are the null pointer, which the library reads as "".
  function hostText(value) {
    if (value === null || value === undefined) return 0;
    var utf8 = encoder.encode(String(value));
    var at = _malloc(utf8.length + 1);
    if (!at) throw new RangeError("Velmora: no memory for a text argument of " + utf8.length + " bytes");
    HEAPU8.set(utf8, at);
    HEAPU8[at + utf8.length] = 0;
    _velmoraWebHostText(at);
    return at;
  }

  function jsText(at) {
    return at ? UTF8ToString(_velmoraWebUtf8(at)) : "";
  }

  // A pointer must be a whole number that fits the module's 32-bit
  // addresses; anything else would wrap to some other address on the way in.
  // 0xFFFFFFFF lies outside any memory the module can have, so the library
  // refuses it with its own error.
  function pointer(value) {
    if (value === null || value === undefined) return 0;
    var n = Number(value);
    return Number.isInteger(n) && n >= 0 && n <= 0xFFFFFFFF ? n : 0xFFFFFFFF;
  }

  function trapped(name, error) {
    failure = new Error("Velmora: " + name + " stopped inside the module (" + error +
                        "); this module cannot be used again, make a new one with Velmora()");
    failure.cause = error;
    return failure;
  }

  function method(name) {
    var texts = TEXT_ARGUMENTS[name] || [], pointers = POINTER_ARGUMENTS[name] || [];
    var count = Math.max.apply(null, texts.concat(pointers).map(function (k) { return k + 1; }).concat([0]));
    return function () {
      if (failure) throw failure;
      var values = [], allocated = [];
      // Arguments first: a value JavaScript cannot convert throws here,
      // before the module runs, and leaves it usable.
      try {
        for (var i = 0; i < Math.max(arguments.length, count); ++i) {
          if (texts.indexOf(i) >= 0) allocated.push(values[i] = hostText(arguments[i]));
          else if (pointers.indexOf(i) >= 0) values[i] = pointer(arguments[i]);
          else values[i] = Number(arguments[i]);
        }
      } catch (e) {
        allocated.forEach(function (at) { _free(at); });
        throw e;
      }
      var result;
      try {
        result = Module["_" + name].apply(null, values);
        if (TEXT_RESULTS[name]) result = jsText(result);
        allocated.forEach(function (at) { _free(at); });
      } catch (e) {
        throw trapped(name, e);
      }
      return result;
    };
  }

  Object.keys(Module).forEach(function (key) {
    if (/^_vl[A-Z]/.test(key)) Module[key.slice(1)] = method(key.slice(1));
  });

  // The back buffer as a new array of R, G, B, 255 bytes, rows top-down, for
  // hosts that draw the pixels themselves; null (with vlGetLastError set)
  // when there is none yet. The copy goes through one buffer in the module's
  // memory, made on first use.
  var copyBuffer = 0;
  Module.backBufferRGBA = function () {
    if (failure) throw failure;
    if (!copyBuffer) copyBuffer = _malloc(BACK_BUFFER_BYTES);
    if (!copyBuffer) throw new RangeError("Velmora: no memory for a copy of the back buffer");
    var bytes = Module.vlCopyBackBuffer(copyBuffer, 0);
    if (bytes < 0) return null;
    // set() of a subarray copies as one block; slice() is many times slower.
    var pixels = new Uint8ClampedArray(bytes);
    pixels.set(HEAPU8.subarray(copyBuffer, copyBuffer + bytes));
    return pixels;
  };

  // Fetches url into the module's file system at path, making its folders.
  // Resolves when the file is there; rejects with an Error whose status is
  // the HTTP status when the server refuses.
  Module.fetchFile = function (url, path) {
    return fetch(url).then(function (response) {
      if (!response.ok) {
        var error = new Error("Velmora: fetching " + url + " failed: HTTP " + response.status);
        error.status = response.status;
        throw error;
      }
      return response.arrayBuffer();
    }).then(function (data) {
      var full = String(path).charAt(0) === "/" ? String(path) : FS.cwd().replace(/\/$/, "") + "/" + path;
      FS.mkdirTree(full.slice(0, full.lastIndexOf("/")));
      FS.writeFile(full, new Uint8Array(data));
    });
  };
})();
