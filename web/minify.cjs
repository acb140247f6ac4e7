// Minifies an ES module in place with terser: names mangled, dead code dropped.
// Usage: NODE_PATH=/usr/share/nodejs node minify.cjs FILE.js
const fs = require("fs");
const { minify } = require("terser");

const file = process.argv[2];
minify(fs.readFileSync(file, "utf8"), { module: true, compress: { passes: 2 }, mangle: true })
  .then((result) => fs.writeFileSync(file, result.code))
  .catch((error) => {
    console.error(`minify.cjs: ${file}: ${error.message ?? error}`);
    process.exit(1);
  });
