import { KeyCode } from "./page_constants.js";

// KeyboardEvent.code to the key codes the editor reads, the ones the desktop's scancode table
// gives the same keys.
export const KEY_CODES = {
  ArrowUp: KeyCode.DIK_UP,
  ArrowDown: KeyCode.DIK_DOWN,
  ArrowLeft: KeyCode.DIK_LEFT,
  ArrowRight: KeyCode.DIK_RIGHT,
  Space: KeyCode.DIK_SPACE,
  KeyZ: KeyCode.DIK_Z,
  KeyX: KeyCode.DIK_X,
  KeyA: KeyCode.DIK_A,
  KeyS: KeyCode.DIK_S,
  KeyQ: KeyCode.DIK_Q,
  KeyW: KeyCode.DIK_W,
  KeyP: KeyCode.DIK_P,
  KeyM: KeyCode.DIK_M,
  KeyE: KeyCode.DIK_E,
  KeyC: KeyCode.DIK_C,
  KeyI: KeyCode.DIK_I,
  KeyR: KeyCode.DIK_R,
  KeyL: KeyCode.DIK_L,
  KeyG: KeyCode.DIK_G,
  KeyY: KeyCode.DIK_Y,
  KeyD: KeyCode.DIK_D,
  KeyB: KeyCode.DIK_B,
  Backspace: KeyCode.DIK_BACK,
  PageUp: KeyCode.DIK_PRIOR,
  PageDown: KeyCode.DIK_NEXT,
  Home: KeyCode.DIK_HOME,
  End: KeyCode.DIK_END,
  F1: KeyCode.DIK_F1,
  F2: KeyCode.DIK_F2,
  Backspace: KeyCode.DIK_BACK,
  Tab: KeyCode.DIK_TAB,
  Enter: KeyCode.DIK_RETURN,
  NumpadEnter: KeyCode.DIK_NUMPADENTER,
  Escape: KeyCode.DIK_ESCAPE,
  ShiftLeft: KeyCode.DIK_LSHIFT,
  ShiftRight: KeyCode.DIK_RSHIFT,
  ControlLeft: KeyCode.DIK_LCONTROL,
  ControlRight: KeyCode.DIK_RCONTROL,
  // Cmd on macOS does what Ctrl does elsewhere.
  MetaLeft: KeyCode.DIK_LCONTROL,
  MetaRight: KeyCode.DIK_RCONTROL,
};

// Ctrl, Shift and Cmd act only with another key: one released since the last frame is still
// down in that frame, so a chord whose keys all come up before the frame keeps its modifier.
const MODIFIER_CODES = new Set(["ShiftLeft", "ShiftRight", "ControlLeft", "ControlRight",
  "MetaLeft", "MetaRight"]);

// Keys the editor reads only over its gallery and its text field: elsewhere Tab moves the
// browser's focus, and Escape and Backspace are the browser's.
const GALLERY_CODES = new Set(["Tab", "Escape", "Backspace"]);

// With Ctrl (or Cmd) held the page keeps only the editor's chords (undo, redo, save, and
// restore or discard unsaved edits while the canvas has the focus); the browser keeps the
// rest (copy, paste, ...), and F5 still reloads.
const CHORD_CODES = new Set(["KeyZ", "KeyY", "KeyS", "KeyR", "KeyD", ...MODIFIER_CODES]);

// One key state per frame: a key is down while held, and also for the one frame after a
// press so short that it came and went between two frames.
export class Keys {
  constructor() {
    this.held = new Set();
    this.pressed = new Set();
    // Text typed since the last tick: a key that types one printable character, without Ctrl,
    // Cmd or Alt. The editor reads it only where an overlay takes text.
    this.typed = "";
  }

  // Returns whether the event was one of the editor's keys (the page then keeps it);
  // overlayOpen: whether the editor shows an overlay over the whole window (it then takes Tab
  // and Escape); takesText: whether it takes typed text (its name field, the palette
  // browser), when the page keeps every printable key too.
  handle(event, overlayOpen, takesText = false) {
    if (event.type === "keydown" && [...event.key].length === 1 && event.key >= " " &&
        !event.ctrlKey && !event.metaKey && !event.altKey && !event.isComposing) {
      if (this.typed.length < 4096) this.typed += event.key;
      if (takesText && KEY_CODES[event.code] === undefined) return true;
    }
    const code = KEY_CODES[event.code];
    if (code === undefined || event.altKey) return false;
    if (GALLERY_CODES.has(event.code) && !overlayOpen && event.type === "keydown") return false;
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

  // Fills the key state the next tick reads, a byte a key code, and forgets the presses it has
  // now seen.
  fill(state) {
    state.fill(0);
    for (const code of this.held) state[code] = 0x80;
    for (const code of this.pressed) state[code] = 0x80;
    this.pressed.clear();
  }

  // The text typed since the last call.
  takeTyped() {
    const typed = this.typed;
    this.typed = "";
    return typed;
  }

  releaseAll() {
    this.held.clear();
    this.pressed.clear();
  }
}
