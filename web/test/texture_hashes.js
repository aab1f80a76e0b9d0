// The textures the browser version uploads against the native texture
// generator's: a hash of every 1024 x 1024 upload, in upload order (the 81
// glyphs, then textures 0 to 16), beside texdump's raw bytes of the same
// textures.
'use strict';
const {spawnSync} = require('child_process');
const fs = require('fs');
const path = require('path');

const textureSize = 1024;
const numberedTextures = 17;
// Textures with text (the symbols of 0, the lines of the pictures): the
// browser's canvas draws it instead of FreeType, as it draws the glyphs, so
// these are compared as frames, within the text bounds, not by hash.
const textDrawn = new Set([0, 5, 7, 8, 9, 10, 12, 13, 14, 15]);

// FNV-1a (32 bits) of the bytes.
function fnv1a(bytes) {
  let hash = 0x811c9dc5;
  for (let i = 0; i < bytes.length; ++i) hash = Math.imul(hash ^ bytes[i], 0x01000193);
  return (hash >>> 0).toString(16).padStart(8, '0');
}

// Runs in the page: records window.introTextureHashes, one per texture upload
// (WebGL 2's texImage2D with pixels from a view, with or without an offset).
function textureUploadHashes() {
  const hashes = [];
  window.introTextureHashes = hashes;
  const upload = WebGL2RenderingContext.prototype.texImage2D;
  WebGL2RenderingContext.prototype.texImage2D = function (...args) {
    const [, level, , width, height, , , , pixels, offset] = args;
    if (args.length >= 9 && level === 0 && width === 1024 && height === 1024 &&
        ArrayBuffer.isView(pixels)) {
      const start = pixels.byteOffset + (offset || 0) * pixels.BYTES_PER_ELEMENT;
      const bytes = new Uint8Array(pixels.buffer, start, width * height * 4);
      let hash = 0x811c9dc5;
      for (let i = 0; i < bytes.length; ++i) hash = Math.imul(hash ^ bytes[i], 0x01000193);
      hashes.push((hash >>> 0).toString(16).padStart(8, '0'));
    }
    return upload.apply(this, args);
  };
}

// texdump's textures 0 to 16 as hashes, or null when it fails.
function nativeTextureHashes(texdump, dir) {
  fs.mkdirSync(dir, {recursive: true});
  const hashes = [];
  for (let id = 0; id < numberedTextures; ++id) {
    const result = spawnSync(texdump, ['--raw', '--only', String(id), dir], {stdio: 'ignore'});
    const file = path.join(dir, `texture_${String(id).padStart(2, '0')}.rgba`);
    if (result.status !== 0 || !fs.existsSync(file)) return null;
    hashes.push(fnv1a(fs.readFileSync(file)));
  }
  return hashes;
}

function checkTextureHashes(check, webHashes, texdump, dir) {
  const native = nativeTextureHashes(texdump, dir);
  check('native texture hashes (texdump)', !!native, texdump);
  if (!native) return;
  const web = (webHashes || []).slice(-numberedTextures);
  check('the browser uploads 98 textures', (webHashes || []).length === 98,
    `${(webHashes || []).length} uploads`);
  for (let id = 0; id < numberedTextures; ++id) {
    if (textDrawn.has(id)) continue;
    check(`texture ${id} equals the native one`, web[id] === native[id],
      `web ${web[id]}, native ${native[id]}`);
  }
}

module.exports = {textureUploadHashes, checkTextureHashes};
