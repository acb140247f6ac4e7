#pragma once
// What the editor draws with: four font slots, one sprite batch and the texture slots, slot 0
// the white texture. FillRect and DrawText are the only ways anything reaches the screen.

#include <cstdint>
#include <string>

#include "editor/editor_canvas.h"
#include "generator/result.h"
#include "shell/core/rasterizer.h"
#include "shell/core/text_faces.h"
#include "store/data_folder.h"

// Slot 0, the white texture, is the only texture anything draws with.
constexpr int kTextureSlots = 1;

struct Texture;      // texture.h
struct SpriteBatch;  // sprite_batch.h

struct Canvas {
  BackBuffer* device = nullptr;  // not owned; known from the first BeginSprites
  // Set by the front-end before the fonts are made; empty, the canvas draws no texts.
  TextFaces text;
  bool faceMade[kFontSlots] = {};  // the slot's last make found a face
  SpriteBatch* sprite = nullptr;
  Texture* textures[kTextureSlots] = {};
};

// Loads the white texture (by default "siro.bmp" in the working directory) into slot 0 and
// creates the sprite batch.
Result SetupCanvas(Canvas& canvas, BackBuffer* device,
                   const std::string& whiteTexturePath = kWhiteTextureFile);
// (Re)makes font slot index with the given cell height through `text`; always true.
bool MakeFont(Canvas& canvas, int index, int height);
// MakeFont for slots 0..3 in order at their heights (kFontHeights); how many hold a font.
int MakeFonts(Canvas& canvas);
// Whether font slot index holds a font (no Japanese face installed leaves the slots empty).
bool FontAvailable(const Canvas& canvas, int index);
bool BeginSprites(Canvas& canvas, BackBuffer* device);
bool EndSprites(Canvas& canvas);
void FillRect(Canvas& canvas, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, float z);
void DrawText(Canvas& canvas, int32_t x, int32_t y, const char* text, int fontIndex);
// How far DrawText's pen moves for one line of text; 0 without that font.
int32_t TextWidth(Canvas& canvas, const char* text, int fontIndex);
// Releases the textures, the sprite batch and the faces, and forgets `text`.
void ReleaseCanvas(Canvas& canvas);

// The editor's view of this Canvas.
EditorCanvas BindEditorCanvas(Canvas& canvas);
