#pragma once
// One frame of the program: clear, the frame body (keyboard, editor), present.

#include <SDL2/SDL_video.h>

#include <string>

#include "canvas.h"
#include "display_device.h"
#include "pattern_generator.h"

// The export template the generator made by the first frame reads (default "a.bmp" in the
// working directory); call before the first frame.
void UseFrameTemplate(std::string path);

// Clears the back buffer to opaque black and the depth to 1.0, creates the one
// PatternGenerator on the first frame, runs FrameBody and presents; a failed presentation
// rebuilds the renderer.
void RunFrame(Canvas& canvas, DisplayDevice& display, SDL_Window* window);

// The generator, once the first frame has made it; nullptr before.
PatternGenerator* ExistingGenerator();

// Opens the sprite batch, sets the keyboard and fonts up on the first call, reads the
// keyboard, runs the editor frame and closes the batch.
void FrameBody(PatternGenerator& generator, SDL_Window* window);
