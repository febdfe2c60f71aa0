// The page side of the browser port (app/web/platform_web.cpp): it collects
// input into a queue the program drains, shows the message box, asks for full
// screen and the pointer lock, paces frames and says when the program ended.
// Linked in front of the emscripten output (--pre-js); the page's elements
// are named in web/index.html.

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
  contextMade: false,

  MSG_SIZE: 0x0005, MSG_KEYDOWN: 0x0100, MSG_LBUTTONDOWN: 0x0201, MSG_RBUTTONDOWN: 0x0204,

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
    if (this.answerBox) {
      if (key === 0x0D || key === 0x1B) {
        e.preventDefault();
        this.closeBox(this.boxKeys[key === 0x0D ? 0 : 1]);
      }
      return;
    }
    if (!this.running || !this.windowShown || !key) return;
    // This Escape is the browser's: it frees the pointer and leaves full screen.
    // A browser that passes it on anyway (headless Chromium does) is given the
    // same rule here, so the program never sees it.
    if (key === 0x1B && (document.pointerLockElement || document.fullscreenElement)) {
      e.preventDefault();
      if (document.pointerLockElement) document.exitPointerLock();
      this.leaveFullScreen();
      return;
    }
    if (key === 0x20 || (key >= 0x25 && key <= 0x28)) e.preventDefault();  // no scrolling
    this.held.add(key);
    this.post(this.MSG_KEYDOWN, key, 0);
  },

  // Releases a held key.
  onKeyUp: function(e) { this.held.delete(this.virtualKey(e)); },

  // A click on the canvas that only takes the pointer is not passed on.
  onMouseDown: function(e) {
    if (!this.running || this.answerBox || document.pointerLockElement !== this.canvas) return;
    var message = e.button === 0 ? this.MSG_LBUTTONDOWN : e.button === 2 ? this.MSG_RBUTTONDOWN : 0;
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

  // Shows the box; the promise gives the answer's box result (OK 1, Yes 6, No 7).
  messageBox: function(caption, text, yesNo) {
    var box = document.getElementById('box');
    document.getElementById('box-caption').textContent = caption;
    document.getElementById('box-text').textContent = text;
    var buttons = document.getElementById('box-buttons');
    buttons.textContent = '';
    var answers = yesNo ? [['Yes', 6], ['No', 7]] : [['OK', 1]];
    answers.forEach(function(answer) {
      var button = document.createElement('button');
      button.textContent = answer[0];
      button.dataset.result = answer[1];
      button.onclick = function() { Page.closeBox(answer[1]); };
      buttons.appendChild(button);
    });
    this.boxKeys = yesNo ? [6, 7] : [1, 1];
    if (document.pointerLockElement) document.exitPointerLock();
    box.hidden = false;
    buttons.firstChild.focus({ preventScroll: true });
    // Starting WebGL takes the browser a while (most of a second with a
    // software rasteriser); done while the question is read, it is not
    // waited for after the answer. The program's own request then gets this
    // same context, so the attributes are platCreateRenderContext's.
    if (!this.contextMade) {
      this.contextMade = true;
      setTimeout(function() {
        Page.canvas.getContext('webgl', { alpha: false, depth: true, stencil: false,
                                          antialias: false, premultipliedAlpha: true,
                                          preserveDrawingBuffer: false });
      }, 0);
    }
    return new Promise(function(resolve) { Page.answerBox = resolve; });
  },

  // Hides the box and hands the answer to the waiting program.
  closeBox: function(result) {
    document.getElementById('box').hidden = true;
    var answer = this.answerBox;
    this.answerBox = null;
    if (this.windowShown) this.canvas.focus({ preventScroll: true });
    answer(result);
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
      this.post(this.MSG_SIZE, 0, this.canvasSize());
  },

  // A hidden page is a minimised window: no frames until it is shown again.
  onVisibility: function() {
    if (!this.windowShown) return;
    if (document.hidden) {
      this.post(this.MSG_SIZE, 1, 0);
      if (this.wakeFrame) { var wake = this.wakeFrame; this.wakeFrame = null; wake(); }
    } else {
      this.post(this.MSG_SIZE, 0, this.canvasSize());
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

  // Counts the frame just drawn and its wasm time, then waits for the next
  // animation frame (or for the page to be hidden).
  nextFrame: function() {
    var now = performance.now();
    if (this.workStart) Module.frameWorkMs.push(now - this.workStart);
    Module.frames++;
    return new Promise(function(resolve) {
      Page.wakeFrame = resolve;
      requestAnimationFrame(function() {
        if (Page.wakeFrame !== resolve) return;
        Page.wakeFrame = null;
        resolve();
      });
    }).then(function() { Page.workStart = performance.now(); });
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

  // Files dropped on the page go into texture3/, where the program looks
  // for its pictures when it starts (so before the question is answered).
  onDrop: function(e) {
    e.preventDefault();
    Array.prototype.forEach.call(e.dataTransfer.files, function(file) {
      file.arrayBuffer().then(function(bytes) {
        Module.FS.writeFile('texture3/' + file.name.replace(/.*[\\/]/, ''), new Uint8Array(bytes));
        var note = document.getElementById('dropped');
        note.hidden = false;
        note.textContent += (note.textContent ? ', ' : 'In texture3/: ') + file.name;
      });
    });
  },

  // Called when the script loads: finds the elements and listens to the page.
  start: function() {
    this.canvas = document.getElementById('scene');
    this.stage = document.getElementById('stage');
    Module.frames = 0;
    Module.frameWorkMs = [];
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
