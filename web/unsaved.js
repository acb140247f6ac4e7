// Edits not saved to a slot survive a closed tab: after every frame with a key down, and when
// the page goes away, they are copied into the browser's synchronous storage; the next visit
// turns them into recovery files in savedata/, which the editor's start-up notice names.
const STORE = "quilmorante-unsaved";

// The module's answers as stored: the slot file's name, a line end, then the recovery bytes.
function unsavedNow(module) {
  const kept = [];
  // Every slot file the module keeps, in the order of its table.
  for (let file = 0; file < module._quilmorante_slot_files(); ++file) {
    const at = module._quilmorante_unsaved(file);
    const size = module._quilmorante_unsaved_size();
    if (size > 0) kept.push(btoa(String.fromCharCode(...module.HEAPU8.subarray(at, at + size))));
  }
  return kept;
}

export class UnsavedEdits {
  constructor(module) {
    this.module = module;
    this.last = null;
  }

  // Stores what is unsaved now, when it changed since the last call.
  remember() {
    const kept = JSON.stringify(unsavedNow(this.module));
    if (kept === this.last) return;
    this.last = kept;
    try {
      if (kept === "[]") localStorage.removeItem(STORE);
      else localStorage.setItem(STORE, kept);
    } catch {
      // Storage full or refused: the edits are only in the tab, as without this copy.
    }
  }

  // Writes what an earlier visit left as recovery files; returns how many, and forgets them.
  restore() {
    let kept = [];
    try {
      kept = JSON.parse(localStorage.getItem(STORE) ?? "[]");
    } catch {
      kept = [];
    }
    let written = 0;
    for (const entry of Array.isArray(kept) ? kept : []) {
      const bytes = Uint8Array.from(atob(String(entry)), (c) => c.charCodeAt(0));
      const at = this.module._malloc(bytes.length);
      this.module.HEAPU8.set(bytes, at);
      if (this.module._quilmorante_keep(at, bytes.length) === 0) written++;
      this.module._free(at);
    }
    localStorage.removeItem(STORE);
    return written;
  }
}
