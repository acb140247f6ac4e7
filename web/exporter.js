// The format library's module, fetched on the first export: the editor's module hands each
// export to it (web/page_exporter.cpp) and takes the files back. Until the module is ready an
// export waits, at nothing done, while the editor keeps drawing.
import { ExportList, ExportState, ExportText } from "./page_constants.js";

// The parts of a failure, as the format module tells them.
const FAILURE_TEXTS = [ExportText.kMessage, ExportText.kFile, ExportText.kReason];

export class Exporter {
  constructor(url = "./formats.js") {
    this.url = url;
    this.module = null;
    this.loading = null;
    this.loadFailure = null;
    this.run = null;
    this.failure = {};
  }

  start(cycle, id, name, everyFormat) {
    this.run = { cycle, id, name, everyFormat, begun: false };
    // A module that failed to load is tried again by the next export.
    if (this.loadFailure !== null) this.loading = this.loadFailure = null;
    this.loading ??= import(this.url)
      .then((imported) => imported.default())
      .then(
        (module) => (this.module = module),
        (error) => (this.loadFailure = `cannot load ${this.url}: ${error}`),
      );
  }

  // An ExportState; encoding while the module loads.
  advance(budgetMs) {
    const m = this.module;
    if (this.loadFailure !== null) return this.fail(this.loadFailure);
    if (m === null) return ExportState.kEncoding;
    if (!this.run.begun) {
      if (m._exporter_cycle_size() !== this.run.cycle.length)
        return this.fail(`${this.url} was built from other sources than the page`);
      m.HEAPU8.set(this.run.cycle, m._exporter_cycle());
      const name = new TextEncoder().encode(`${this.run.name}\0`);
      const at = m._malloc(name.length);
      m.HEAPU8.set(name, at);
      m._exporter_start(this.run.id, at, this.run.everyFormat);
      m._free(at);
      this.run.begun = true;
    }
    const state = m._exporter_advance(budgetMs);
    if (state === ExportState.kFailed) {
      for (const part of FAILURE_TEXTS)
        this.failure[part] = m.UTF8ToString(m._exporter_failure(part));
    }
    return state;
  }

  fail(message) {
    this.failure = { [ExportText.kMessage]: message };
    return ExportState.kFailed;
  }

  framesDone() {
    return this.module?._exporter_frames_done() ?? 0;
  }

  // The size of an ExportList.
  count(list) {
    const m = this.module;
    return list === ExportList.kFolders ? m._exporter_folder_count() : m._exporter_file_count();
  }

  // An ExportText; i numbers the folders and the files.
  text(which, i) {
    const m = this.module;
    switch (which) {
      case ExportText.kPath:
        return m === null ? "" : m.UTF8ToString(m._exporter_path());
      case ExportText.kFolder:
        return m.UTF8ToString(m._exporter_folder(i));
      case ExportText.kFilePath:
        return m.UTF8ToString(m._exporter_file_path(i));
      default:
        return this.failure[which] ?? "";
    }
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
