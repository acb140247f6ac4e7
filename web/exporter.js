// The format library's module, fetched on the first export: the editor's module hands each
// export to it (web/page_exporter.cpp) and takes the files back. Until the module is ready an
// export waits, at nothing done, while the editor keeps drawing.

export class Exporter {
  constructor(url = "./formats.js") {
    this.url = url;
    this.module = null;
    this.loading = null;
    this.loadFailure = null;
    this.run = null;
    this.failure = ["", "", ""];
  }

  start(cycle, id, everyFormat) {
    this.run = { cycle, id, everyFormat, begun: false };
    // A module that failed to load is tried again by the next export.
    if (this.loadFailure !== null) this.loading = this.loadFailure = null;
    this.loading ??= import(this.url)
      .then((imported) => imported.default())
      .then(
        (module) => (this.module = module),
        (error) => (this.loadFailure = `cannot load ${this.url}: ${error}`),
      );
  }

  // 0 while encoding or loading, 1 once every file is encoded, -1 after a failure.
  advance(budgetMs) {
    const m = this.module;
    if (this.loadFailure !== null) return this.fail(this.loadFailure);
    if (m === null) return 0;
    if (!this.run.begun) {
      if (m._exporter_cycle_size() !== this.run.cycle.length)
        return this.fail(`${this.url} was built from other sources than the page`);
      m.HEAPU8.set(this.run.cycle, m._exporter_cycle());
      m._exporter_start(this.run.id, this.run.everyFormat);
      this.run.begun = true;
    }
    const state = m._exporter_advance(budgetMs);
    if (state < 0) this.failure = [0, 1, 2].map((part) => m.UTF8ToString(m._exporter_failure(part)));
    return state;
  }

  fail(message) {
    this.failure = [message, "", ""];
    return -1;
  }

  framesDone() {
    return this.module?._exporter_frames_done() ?? 0;
  }

  // 0 folders, 1 files.
  count(list) {
    const m = this.module;
    return list === 0 ? m._exporter_folder_count() : m._exporter_file_count();
  }

  // 0 the path being encoded; 1, 2, 3 the failure's message, file and reason; 4 folder i;
  // 5 file i's path.
  text(which, i) {
    const m = this.module;
    if (which === 0) return m === null ? "" : m.UTF8ToString(m._exporter_path());
    if (which <= 3) return this.failure[which - 1];
    return m.UTF8ToString(which === 4 ? m._exporter_folder(i) : m._exporter_file_path(i));
  }

  fileBytes(i) {
    const m = this.module;
    const at = m._exporter_file_bytes(i);
    return m.HEAPU8.subarray(at, at + m._exporter_file_size(i));
  }

  end() {
    this.module?._exporter_end();
    this.run = null;
  }
}
