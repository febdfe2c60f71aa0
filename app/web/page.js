// The page side of the browser port (app/web/platform_web.cpp): it fetches
// and unpacks the scene's files, makes the WebGL context, collects input into
// a queue the program drains, shows the message box, asks for full screen and
// the pointer lock, paces frames (none while the GPU is reset) and says when
// the program ended. Linked in front of the emscripten output (--pre-js),
// after PLATFORM, the numbers of app/platform.h (written by cmake/web.cmake);
// the page's elements are named in web/index.html.

var Page = {
  canvas: null,
  stage: null,
  events: [],          // [message, wParam, lParam], oldest first
  held: new Set(),     // virtual-key codes held down
  motionX: 0,
  motionY: 0,          // locked pointer motion not yet read
  wakeEvent: null,     // ends the program's wait for the next event
  wakeFrame: null,     // ends the program's wait for the next frame
  answerBox: null,     // answers the box being shown
  boxKeys: null,       // [Return's answer, Escape's answer]
  framed: { width: 800, height: 600 },
  windowShown: false,
  running: true,
  workStart: 0,
  WORK_WINDOW: 600,    // frames whose wasm time Module.frameWorkMs keeps
  context: undefined,  // the WebGL context; null where the browser has none
  contextLost: false,
  contextRestored: false,  // since the last frame
  filesReady: null,    // a promise: texture3/ is in the file system
  drops: null,         // a promise: every file dropped so far is placed
  answered: false,     // the question was answered: the pictures are read
  filesFailed: false,  // texture3/ could not be loaded: nothing is asked

  // The drawing buffer's attributes, the only ones: the program's own request
  // (platCreateRenderContext) gets the context made here. No alpha: GL's
  // clear colour has alpha 0, and the page would show through.
  CONTEXT_ATTRIBUTES: { alpha: false, depth: true, stencil: false, antialias: false,
                        premultipliedAlpha: true, preserveDrawingBuffer: false },

  // Queues a message for the program and wakes it if it waits for one.
  post: function(message, wParam, lParam) {
    this.events.push([message, wParam, lParam]);
    if (this.wakeEvent) { var wake = this.wakeEvent; this.wakeEvent = null; wake(); }
  },

  // Win32 virtual-key codes: Chromium's keyCode is one; from key and code otherwise.
  virtualKey: function(e) {
    if (e.keyCode) return e.keyCode;
    var named = { Escape: 0x1B, Enter: 0x0D, ' ': 0x20, Space: 0x20, ArrowLeft: 0x25,
                  ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28 };
    if (named[e.key]) return named[e.key];
    if (named[e.code]) return named[e.code];
    if (/^Key[A-Z]$/.test(e.code)) return e.code.charCodeAt(3);
    if (/^[a-zA-Z0-9]$/.test(e.key)) return e.key.toUpperCase().charCodeAt(0);
    return 0;
  },

  // Return and Escape answer an open box; otherwise a key is held and queued.
  onKeyDown: function(e) {
    var key = this.virtualKey(e);
    // A held Escape repeats: only a new press ends the program, and a key
    // held since the browser took it to free the pointer is not one. Other
    // keys repeat as on the desktop (MSG_KEYDOWN is sent again).
    if (key === PLATFORM.KEY_ESCAPE && e.repeat) {
      e.preventDefault();
      return;
    }
    if (this.answerBox) {
      if (key === 0x0D || key === PLATFORM.KEY_ESCAPE) {
        e.preventDefault();
        this.closeBox(this.boxKeys[key === 0x0D ? 0 : 1]);
      }
      return;
    }
    if (!this.running || !this.windowShown || !key) return;
    // This Escape is the browser's: it frees the pointer and leaves full screen.
    // A browser that passes it on anyway (headless Chromium does) is given the
    // same rule here, so the program never sees it.
    if (key === PLATFORM.KEY_ESCAPE && (document.pointerLockElement || document.fullscreenElement)) {
      e.preventDefault();
      if (document.pointerLockElement) document.exitPointerLock();
      this.leaveFullScreen();
      return;
    }
    if (key === PLATFORM.KEY_SPACE || (key >= PLATFORM.KEY_LEFT && key <= PLATFORM.KEY_DOWN))
      e.preventDefault();  // no scrolling
    this.held.add(key);
    this.post(PLATFORM.MSG_KEYDOWN, key, 0);
  },

  // Releases a held key.
  onKeyUp: function(e) { this.held.delete(this.virtualKey(e)); },

  // A click on the canvas that only takes the pointer is not passed on.
  onMouseDown: function(e) {
    if (!this.running || this.answerBox || document.pointerLockElement !== this.canvas) return;
    var message = e.button === 0 ? PLATFORM.MSG_LBUTTONDOWN
                : e.button === 2 ? PLATFORM.MSG_RBUTTONDOWN : 0;
    if (message) this.post(message, 0, 0);
  },

  // The pointer is taken when the click ends: a browser whose window was not
  // active (Firefox with no window manager) refuses it while the press is
  // still making the page the focused one.
  onMouseUp: function(e) {
    if (this.running && !this.answerBox && e.target === this.canvas &&
        document.pointerLockElement !== this.canvas)
      this.canvas.requestPointerLock();
  },

  // Adds the locked pointer's motion for the next cursor reading.
  onMouseMove: function(e) {
    if (document.pointerLockElement !== this.canvas) return;
    this.motionX += e.movementX;
    this.motionY += e.movementY;
  },

  // ---- the message box ----

  // Shows the box; the promise gives the answer's box result (BOX_RESULT_*).
  messageBox: function(caption, text, yesNo) {
    var box = document.getElementById('box');
    document.getElementById('box-caption').textContent = caption;
    document.getElementById('box-text').textContent = text;
    var buttons = document.getElementById('box-buttons');
    buttons.textContent = '';
    var answers = yesNo ? [['Yes', PLATFORM.BOX_RESULT_YES], ['No', PLATFORM.BOX_RESULT_NO]]
                        : [['OK', PLATFORM.BOX_RESULT_OK]];
    answers.forEach(function(answer) {
      var button = document.createElement('button');
      button.textContent = answer[0];
      button.dataset.result = answer[1];
      button.onclick = function() { Page.closeBox(answer[1]); };
      buttons.appendChild(button);
    });
    this.boxKeys = [answers[0][1], answers[answers.length - 1][1]];
    if (document.pointerLockElement) document.exitPointerLock();
    box.hidden = this.filesFailed;
    buttons.firstChild.focus({ preventScroll: true });
    return new Promise(function(resolve) { Page.answerBox = resolve; });
  },

  // Hides the box and hands the answer to the waiting program.
  // Files dropped before the answer are placed before the program reads them.
  closeBox: function(result) {
    document.getElementById('box').hidden = true;
    var answer = this.answerBox;
    this.answerBox = null;
    if (this.windowShown) this.canvas.focus({ preventScroll: true });
    this.drops.then(function() {
      Page.answered = true;
      answer(result);
    });
  },

  // ---- WebGL ----

  // The scene's context, made on the first call. Starting WebGL takes the
  // browser a while (most of a second with a software rasteriser), so the
  // page starts it while the files download.
  webgl: function() {
    if (this.context === undefined) {
      this.context = this.canvas.getContext('webgl', this.CONTEXT_ATTRIBUTES);
      if (!this.context) document.getElementById('no-webgl').hidden = false;
    }
    return this.context;
  },

  // A reset GPU: no frames until the context is back (the default would
  // drop it for good).
  onContextLost: function(e) {
    e.preventDefault();
    this.contextLost = true;
  },

  // The program's next frame rebuilds what the GPU lost, then draws.
  onContextRestored: function() {
    this.contextLost = false;
    this.contextRestored = true;
    if (this.wakeFrame && !document.hidden) {
      var wake = this.wakeFrame;
      this.wakeFrame = null;
      wake();
    }
  },

  // ---- full screen and the canvas size ----

  // Asks for full screen; the promise gives 1 when granted, 0 when refused.
  enterFullScreen: function() {
    if (!document.fullscreenEnabled) return Promise.resolve(0);
    return this.stage.requestFullscreen({ navigationUI: 'hide' })
        .then(function() { return 1; }, function() { return 0; });
  },

  // Leaves full screen, if the page is in it.
  leaveFullScreen: function() {
    if (document.fullscreenElement) document.exitFullscreen().catch(function() {});
  },

  // The drawing buffer matches the canvas's size on screen: 800 x 600 framed,
  // the whole screen given in full screen (so nothing is stretched).
  fitCanvas: function() {
    var full = document.fullscreenElement === this.stage;
    var ratio = full ? (window.devicePixelRatio || 1) : 1;
    var width = full ? Math.round(this.stage.clientWidth * ratio) : this.framed.width;
    var height = full ? Math.round(this.stage.clientHeight * ratio) : this.framed.height;
    if (this.canvas.width !== width || this.canvas.height !== height) {
      this.canvas.width = width;
      this.canvas.height = height;
      return true;
    }
    return false;
  },

  // The drawing buffer's size as a MSG_SIZE lParam (height high, width low).
  canvasSize: function() {
    this.fitCanvas();
    return ((this.canvas.height & 0xFFFF) << 16) | (this.canvas.width & 0xFFFF);
  },

  // Full screen entered or left, or the window resized: a new size message.
  onResize: function() {
    if (this.fitCanvas() && this.windowShown && !document.hidden)
      this.post(PLATFORM.MSG_SIZE, PLATFORM.SIZE_KIND_RESTORED, this.canvasSize());
  },

  // A hidden page is a minimised window: no frames until it is shown again.
  onVisibility: function() {
    if (!this.windowShown) return;
    if (document.hidden) {
      this.post(PLATFORM.MSG_SIZE, PLATFORM.SIZE_KIND_MINIMIZED, 0);
      if (this.wakeFrame) { var wake = this.wakeFrame; this.wakeFrame = null; wake(); }
    } else {
      this.post(PLATFORM.MSG_SIZE, PLATFORM.SIZE_KIND_RESTORED, this.canvasSize());
    }
  },

  // Shows the program's window: the canvas, under its title.
  showCanvas: function(title) {
    this.windowShown = true;
    this.canvas.hidden = false;
    this.setTitle(title);
  },

  // Writes the window title into the page's title and its title line.
  setTitle: function(title) {
    document.title = title;
    document.getElementById('title').textContent = title;
  },

  // ---- waiting for the browser ----

  // Counts the frame just drawn and its wasm time (the last WORK_WINDOW
  // frames' are kept), then waits for the next animation frame with a context
  // (or for the page to be hidden). The promise gives 1 when the context was
  // restored since the frame before.
  nextFrame: function() {
    var now = performance.now();
    if (this.workStart) {
      Module.frameWorkMs.push(now - this.workStart);
      if (Module.frameWorkMs.length > this.WORK_WINDOW) Module.frameWorkMs.shift();
    }
    Module.frames++;
    return new Promise(function(resolve) {
      Page.wakeFrame = resolve;
      requestAnimationFrame(function() {
        if (Page.wakeFrame !== resolve || Page.contextLost) return;
        Page.wakeFrame = null;
        resolve();
      });
    }).then(function() {
      Page.workStart = performance.now();
      var restored = Page.contextRestored;
      Page.contextRestored = false;
      return restored ? 1 : 0;
    });
  },

  // Waits until the page has an event for the program (a minimised window sleeps).
  nextEvent: function() {
    if (this.events.length) return Promise.resolve();
    this.workStart = 0;
    return new Promise(function(resolve) { Page.wakeEvent = resolve; });
  },

  // Called once the program has returned: the page says so and shows the code.
  ended: function(exitCode) {
    this.running = false;
    this.held.clear();
    if (document.pointerLockElement) document.exitPointerLock();
    document.getElementById('ended').hidden = false;
    document.body.dataset.exitCode = String(exitCode);
  },

  // ---- the scene's files ----

  // Files dropped on the page go into texture3/, where the program reads its
  // pictures once the question is answered. They are read at once, placed
  // in order once texture3/ is unpacked, and the answer waits for them.
  onDrop: function(e) {
    e.preventDefault();
    var reads = Array.prototype.map.call(e.dataTransfer.files, function(file) {
      return file.arrayBuffer().then(function(bytes) { return [file, new Uint8Array(bytes)]; },
                                     function(error) { return [file, null, error]; });
    });
    this.drops = Promise.all([this.drops, this.filesReady].concat(reads)).then(function(read) {
      read.slice(2).forEach(function(entry) { Page.placeDropped.apply(Page, entry); });
    });
  },

  // Writes one dropped file and says on the page what became of it.
  placeDropped: function(file, bytes, error) {
    var name = file.name.replace(/.*[\\/]/, '');
    try {
      if (!bytes) throw error;
      Module.FS.writeFile('texture3/' + name, bytes);
      this.note('dropped', 'In texture3/: ', name + (this.answered ? ' (after the answer:'
                + ' the scene has read its pictures already)' : ''));
    } catch (problem) {
      this.note('dropped-failed', 'Not put in texture3/: ', name + ' (' + problem + ')');
    }
  },

  // Adds an item to a list line of the page, shown from its first item on.
  note: function(id, lead, item) {
    var line = document.getElementById(id);
    line.hidden = false;
    line.textContent += (line.textContent ? ', ' : lead) + item;
  },

  // Fetches the packed texture3/ (a gzipped tar, cmake/web-data.cmake) and
  // has a worker inflate it as it arrives, showing the share received: here,
  // inflating held the wasm start-up back, and WebGL's start held the
  // inflating back. The promise gives the tar.
  fetchFiles: function() {
    var bar = document.getElementById('progress');
    var inflater = new Worker(URL.createObjectURL(new Blob(['(' + this.inflate + ')()'])));
    var tar = new Promise(function(resolve, reject) {
      inflater.onmessage = function(e) {
        if (typeof e.data === 'number') return void (bar.value = e.data);
        (typeof e.data === 'string' ? reject : resolve)(e.data);
        inflater.terminate();
      };
      inflater.onerror = function(e) { reject(e.message); };
    });
    return fetch('merrowind.data.tgz').then(function(response) {
      if (!response.ok) throw new Error(response.status + ' ' + response.statusText);
      var total = Number(response.headers.get('Content-Length')) || 0;
      // The body itself goes over where the browser can hand streams on
      // (WebKit cannot); otherwise chunk by chunk, null ending them.
      try {
        inflater.postMessage([total, response.body], [response.body]);
        return tar;
      } catch (cannot) {
        inflater.postMessage([total]);
      }
      var reader = response.body.getReader();
      return reader.read().then(function pass(part) {
        inflater.postMessage(part.done ? null : part.value, part.done ? [] : [part.value.buffer]);
        return part.done ? tar : reader.read().then(pass);
      });
    }).catch(function(error) {
      inflater.terminate();  // nothing more will come for it to inflate
      throw error;
    });
  },

  // The worker's whole script: inflates the body or chunks posted to it,
  // posting back the share received, then the tar, or what went wrong as a
  // string.
  inflate: function() {
    var total = 0, received = 0;
    var counted = new TransformStream({
      transform: function(chunk, out) {
        received += chunk.length;
        if (total) postMessage(received / total);
        out.enqueue(chunk);
      }
    });
    var writer = counted.writable.getWriter();
    new Response(counted.readable.pipeThrough(new DecompressionStream('gzip'))).arrayBuffer()
        .then(function(tar) { postMessage(tar, [tar]); },
              function(error) { postMessage(String(error)); });
    onmessage = function(e) {
      if (!Array.isArray(e.data))
        return (e.data ? writer.write(e.data) : writer.close()).catch(function() {});
      total = e.data[0];
      if (e.data[1]) {
        writer.releaseLock();
        e.data[1].pipeTo(counted.writable).catch(function() {});
      }
    };
  },

  // Writes the files of a tar archive (ustar entries) into the file system.
  unpack: function(tar) {
    var bytes = new Uint8Array(tar), text = function(at, length) {
      var field = bytes.subarray(at, at + length), end = field.indexOf(0);
      return new TextDecoder().decode(end < 0 ? field : field.subarray(0, end));
    };
    for (var at = 0; at + 512 <= bytes.length && bytes[at];) {
      var prefix = text(at + 345, 155), path = (prefix ? prefix + '/' : '') + text(at, 100);
      var size = parseInt(text(at + 124, 12).trim() || '0', 8), kind = text(at + 156, 1);
      var folder = kind === '5' ? path : path.slice(0, Math.max(path.lastIndexOf('/'), 0));
      if (folder && (kind === '5' || kind === '0' || kind === '')) Module.FS.mkdirTree(folder);
      if (kind === '0' || kind === '')
        Module.FS.writeFile(path, bytes.subarray(at + 512, at + 512 + size));
      at += 512 + Math.ceil(size / 512) * 512;
    }
  },

  // Unpacks texture3/ once it has arrived; the promise is kept once it is.
  // Only the answer to the question waits for it (closeBox): the question
  // itself reads no file.
  placeFiles: function(download) {
    return download.then(function(tar) {
      Page.unpack(tar);
      document.getElementById('loading').hidden = true;
    }, function(error) {
      // No question, now or later: the scene it would lead to cannot start.
      Page.filesFailed = true;
      document.getElementById('box').hidden = true;
      document.getElementById('loading').textContent =
          'The scene\'s files could not be loaded (' + error + '). Reload the page to try again.';
      throw error;
    });
  },

  // Called when the script loads: finds the elements and listens to the page.
  start: function() {
    this.canvas = document.getElementById('scene');
    this.stage = document.getElementById('stage');
    Module.frames = 0;
    Module.frameWorkMs = [];
    var download = this.fetchFiles();
    this.filesReady = new Promise(function(ready) {
      Module.preRun = [].concat(Module.preRun || [], function() {
        ready(Page.placeFiles(download));
      });
    });
    this.drops = this.filesReady;
    setTimeout(function() { Page.webgl(); }, 0);
    this.canvas.addEventListener('webglcontextlost', this.onContextLost.bind(this));
    this.canvas.addEventListener('webglcontextrestored', this.onContextRestored.bind(this));
    window.addEventListener('keydown', this.onKeyDown.bind(this), true);
    window.addEventListener('keyup', this.onKeyUp.bind(this), true);
    window.addEventListener('blur', function() { Page.held.clear(); });
    document.addEventListener('mousedown', this.onMouseDown.bind(this));
    document.addEventListener('mouseup', this.onMouseUp.bind(this));
    document.addEventListener('mousemove', this.onMouseMove.bind(this));
    this.canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    document.addEventListener('fullscreenchange', this.onResize.bind(this));
    window.addEventListener('resize', this.onResize.bind(this));
    document.addEventListener('visibilitychange', this.onVisibility.bind(this));
    document.addEventListener('dragover', function(e) { e.preventDefault(); });
    document.addEventListener('drop', this.onDrop.bind(this));
  }
};

Page.start();
