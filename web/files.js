// The editor's working folder in the module's file system: siro.bmp and a.bmp from the
// site, savedata/ kept in the browser's IndexedDB so slots survive a reload, result/ whose
// files are handed to the user as downloads, and dropped/ with copies of the files the user
// gives the editor to import.
import {
  EXAMPLE_SLOTS, kFrameTemplateFile, kResultsFolder, kSlotsFolder, kWhiteTextureFile,
} from "./page_constants.js";

export const WORK = "/work";
const SAVEDATA = `${WORK}/${kSlotsFolder}`;
const RESULT = `${WORK}/${kResultsFolder}`;
// Relative to the working folder: the editor's messages name the copies by this path. The
// copies stay, the last KEPT_COPIES of them: the data folder's palettes/ is where the palette
// browser (B in the palette panel) finds them again.
const DROPPED = "palettes";
export const KEPT_COPIES = 64;
// Put beside the example slots on the first visit; later visits leave savedata/ as it is.
const PLACED = `${SAVEDATA}/.examples-placed`;

async function fetchBytes(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
  return new Uint8Array(await response.arrayBuffer());
}

function sync(FS, populate) {
  return new Promise((resolve, reject) =>
    FS.syncfs(populate, (error) => (error ? reject(error) : resolve())),
  );
}

function exists(FS, path) {
  return FS.analyzePath(path).exists;
}

// Starts every download the working folder needs, at once: the page calls it before the
// module is ready, so the files arrive while the code compiles.
export function fetchData(dataUrl) {
  const names = [kWhiteTextureFile, kFrameTemplateFile,
    ...EXAMPLE_SLOTS.map((name) => `${kSlotsFolder}/${name}`)];
  return Promise.all(names.map((name) => fetchBytes(`${dataUrl}/${name}`)));
}

// Sets the working folder up from fetchData's files and enters it. Resolves to the promise
// of storing the example slots placed on a first visit, which need not hold up the first
// frame.
export async function prepareFiles(module, data) {
  const { FS } = module;
  const [white, template, ...slots] = await data;
  FS.mkdir(WORK);
  FS.writeFile(`${WORK}/${kWhiteTextureFile}`, white);
  FS.writeFile(`${WORK}/${kFrameTemplateFile}`, template);
  FS.mkdir(SAVEDATA);
  FS.mkdir(RESULT);
  FS.mkdir(`${WORK}/${DROPPED}`);
  FS.mount(FS.filesystems.IDBFS, {}, SAVEDATA);
  await sync(FS, true);
  const placed = !exists(FS, PLACED);
  if (placed) {
    EXAMPLE_SLOTS.forEach((name, i) => {
      if (!exists(FS, `${SAVEDATA}/${name}`)) FS.writeFile(`${SAVEDATA}/${name}`, slots[i]);
    });
    FS.writeFile(PLACED, new Uint8Array(0));
  }
  FS.chdir(WORK);
  return { stored: placed ? sync(FS, false) : Promise.resolve() };
}

// Names and modification times of savedata/: what changed since the last look is stored.
export function savedataStamp(FS) {
  return FS.readdir(SAVEDATA)
    .filter((name) => name !== "." && name !== "..")
    .map((name) => `${name}:${FS.stat(`${SAVEDATA}/${name}`).mtime.getTime()}`)
    .join("/");
}

export function persistSavedata(FS) {
  return sync(FS, false);
}

// Where the copy of a file the user gave the editor goes, under the file's own name ("/"
// and NUL, which the file system cannot hold, as "_"); relative to the working folder.
export function droppedPath(name) {
  const safe = name.replace(/[\/\0]/g, "_");
  return `${DROPPED}/${safe === "" || safe === "." || safe === ".." ? "_" : safe}`;
}

// Every file now below result/ as {name, bytes}, sorted by name, and removed from it: an
// export's files, taken as it wrote them.
export function takeResults(FS) {
  const files = [];
  const walk = (folder, prefix) => {
    for (const name of FS.readdir(folder).sort()) {
      if (name === "." || name === "..") continue;
      const path = `${folder}/${name}`;
      if (FS.isDir(FS.stat(path).mode)) {
        walk(path, `${prefix}${name}/`);
        FS.rmdir(path);
      } else {
        files.push({ name: `${prefix}${name}`, bytes: FS.readFile(path) });
        FS.unlink(path);
      }
    }
  };
  walk(RESULT, "");
  return files;
}
