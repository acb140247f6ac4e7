// KeyboardEvent.code to the key codes the editor reads (the same numbers the desktop's
// scancode table gives these keys).
export const KEY_CODES = {
  ArrowUp: 0xc8,
  ArrowDown: 0xd0,
  ArrowLeft: 0xcb,
  ArrowRight: 0xcd,
  Space: 0x39,
  KeyZ: 0x2c,
  KeyX: 0x2d,
  KeyA: 0x1e,
  KeyS: 0x1f,
  KeyQ: 0x10,
  KeyW: 0x11,
  KeyP: 0x19,
  KeyM: 0x32,
  KeyE: 0x12,
  KeyC: 0x2e,
  KeyL: 0x26,
  KeyY: 0x15,
  F1: 0x3b,
  ShiftLeft: 0x2a,
  ShiftRight: 0x36,
  ControlLeft: 0x1d,
  ControlRight: 0x9d,
  // Cmd on macOS does what Ctrl does elsewhere.
  MetaLeft: 0x1d,
  MetaRight: 0x9d,
};

// Ctrl, Shift and Cmd act only with another key: one released since the last frame is still
// down in that frame, so a chord whose keys all come up before the frame keeps its modifier.
const MODIFIER_CODES = new Set(["ShiftLeft", "ShiftRight", "ControlLeft", "ControlRight",
  "MetaLeft", "MetaRight"]);

// With Ctrl (or Cmd) held the page keeps only the editor's chords; the browser keeps the rest
// (reload, copy, ...).
const CHORD_CODES = new Set(["KeyZ", "KeyY", ...MODIFIER_CODES]);

// One key state per frame: a key is down while held, and also for the one frame after a
// press so short that it came and went between two frames.
export class Keys {
  constructor() {
    this.held = new Set();
    this.pressed = new Set();
  }

  // Returns whether the event was one of the editor's keys (the page then keeps it).
  handle(event) {
    const code = KEY_CODES[event.code];
    if (code === undefined || event.altKey) return false;
    if ((event.ctrlKey || event.metaKey) && !CHORD_CODES.has(event.code)) return false;
    if (event.type === "keydown") {
      this.held.add(code);
      this.pressed.add(code);
    } else {
      this.held.delete(code);
      if (MODIFIER_CODES.has(event.code)) this.pressed.add(code);
    }
    return true;
  }

  // Fills the 256 bytes the next tick reads and forgets the presses it has now seen.
  fill(state) {
    state.fill(0);
    for (const code of this.held) state[code] = 0x80;
    for (const code of this.pressed) state[code] = 0x80;
    this.pressed.clear();
  }

  releaseAll() {
    this.held.clear();
    this.pressed.clear();
  }
}
