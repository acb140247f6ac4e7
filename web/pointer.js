// The mouse on the canvas, handed to the module in picture pixels: the canvas is scaled by
// whole pixels, so a CSS pixel maps back by the displayed size. Until the pointer has moved
// over the picture it counts for nothing, so a pointer that rests there at the start changes
// nothing on the screen.
import { PointerShape, kScreenHeight, kScreenWidth } from "./page_constants.js";

// One notch of an ordinary wheel; trackpads send smaller steps that add up to it.
const NOTCH_PIXELS = 100;
const CURSORS = {
  [PointerShape.kArrow]: "default",
  [PointerShape.kHand]: "pointer",
  [PointerShape.kMove]: "move",
};

export class Pointer {
  constructor(canvas, module) {
    this.canvas = canvas;
    this.module = module;
    this.seen = false;
    this.first = null;
    this.x = -1;
    this.y = -1;
    this.down = false;
    this.wheelPixels = 0;
    // Whether anything happened since the last tick (a save or an export may follow).
    this.active = false;
    const place = (event) => {
      const box = canvas.getBoundingClientRect();
      this.x = Math.floor(((event.clientX - box.left) * kScreenWidth) / box.width);
      this.y = Math.floor(((event.clientY - box.top) * kScreenHeight) / box.height);
    };
    canvas.addEventListener("pointermove", (event) => {
      place(event);
      const at = `${this.x},${this.y}`;
      if (this.first === null) this.first = at;
      else if (at !== this.first) this.seen = true;
      this.send(false, 0);
    });
    canvas.addEventListener("pointerdown", (event) => {
      if (event.button !== 0) return;
      place(event);
      canvas.setPointerCapture(event.pointerId);
      canvas.focus();
      this.seen = true;
      this.down = true;
      this.send(true, 0);
    });
    const release = (event) => {
      if (event.button !== 0 || !this.down) return;
      place(event);
      this.down = false;
      this.send(false, 0);
    };
    canvas.addEventListener("pointerup", release);
    canvas.addEventListener("pointercancel", release);
    canvas.addEventListener("wheel", (event) => {
      event.preventDefault();  // the wheel changes values, it does not scroll the page
      place(event);
      const pixels = event.deltaMode === 0 ? event.deltaY : event.deltaY * (NOTCH_PIXELS / 3);
      this.wheelPixels += pixels;
      const notches = Math.trunc(this.wheelPixels / NOTCH_PIXELS);
      this.wheelPixels -= notches * NOTCH_PIXELS;
      // Wheel up (a negative delta) raises the value.
      if (notches !== 0 && this.seen) this.send(false, -notches);
    }, { passive: false });
  }

  send(pressed, wheel) {
    this.active = true;
    this.module._quilmorante_mouse(this.seen ? 1 : 0, this.x, this.y, this.down ? 1 : 0,
      pressed ? 1 : 0, wheel);
  }

  // After a tick: the shape the editor asked for.
  showShape() {
    const cursor = CURSORS[this.module._quilmorante_pointer()] ?? "default";
    if (this.canvas.style.cursor !== cursor) this.canvas.style.cursor = cursor;
  }
}
