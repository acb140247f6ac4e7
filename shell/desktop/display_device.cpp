#include "shell/desktop/display_device.h"

#include <SDL2/SDL.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Whether the renderer draws through an OpenGL that is itself emulated on the processor
// (Mesa's llvmpipe and softpipe, as under Xvfb or without a graphics driver). Presenting
// through it costs several times what SDL's own software renderer does for the same
// picture, and its retrace wait is simulated anyway.
bool RendersThroughSoftwareGl(SDL_Renderer* renderer) {
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0 || info.name == nullptr ||
      std::strncmp(info.name, "opengl", 6) != 0)
    return false;
  using GetString = const unsigned char* (*)(unsigned int);
  constexpr unsigned int kGlRenderer = 0x1F01;
  auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  if (getString == nullptr) return false;
  const unsigned char* name = getString(kGlRenderer);
  if (name == nullptr) return false;
  const char* text = reinterpret_cast<const char*>(name);
  for (const char* software : {"llvmpipe", "softpipe", "Software BackBuffer", "swrast"})
    if (std::strstr(text, software) != nullptr) return true;
  return false;
}

Result CreateRendererAndTexture(DisplayDevice& display) {
  // Pixel art is shown with hard pixel edges, never blurred.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  PresentParams& params = display.presentParams;
  display.renderer =
      SDL_CreateRenderer(display.window, -1,
                         params.software ? SDL_RENDERER_SOFTWARE
                                         : SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (display.renderer != nullptr && !params.software &&
      RendersThroughSoftwareGl(display.renderer)) {
    SDL_DestroyRenderer(display.renderer);
    display.renderer = nullptr;
  }
  if (display.renderer == nullptr && !params.software) {
    params.software = true;
    // The software renderer draws into the window surface, which SDL would otherwise back
    // with an OpenGL texture again: plain X shared memory is what is cheap here.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    display.renderer = SDL_CreateRenderer(display.window, -1, SDL_RENDERER_SOFTWARE);
  }
  if (display.renderer == nullptr)
    return Result::Fail(std::string("cannot create a renderer: ") + SDL_GetError());
  SDL_RendererInfo info{};
  params.vsync = SDL_GetRendererInfo(display.renderer, &info) == 0 &&
                 (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
  // The back buffer's bytes, alpha ignored, are also XRGB8888, the usual window surface
  // format: the software renderer then copies rows instead of converting every pixel.
  const Uint32 format = params.software ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_ARGB8888;
  display.texture = SDL_CreateTexture(display.renderer, format, SDL_TEXTUREACCESS_STREAMING,
                                      kScreenWidth, kScreenHeight);
  if (display.texture == nullptr)
    return Result::Fail(std::string("cannot create the screen texture: ") + SDL_GetError());
  SDL_SetTextureScaleMode(display.texture, SDL_ScaleModeNearest);
  // The back buffer is a finished picture: its alpha channel must not blend it away.
  SDL_SetTextureBlendMode(display.texture, SDL_BLENDMODE_NONE);
  return Result::Ok();
}

void DestroyRendererAndTexture(DisplayDevice& display) {
  if (display.texture != nullptr) SDL_DestroyTexture(display.texture);
  display.texture = nullptr;
  if (display.renderer != nullptr) SDL_DestroyRenderer(display.renderer);
  display.renderer = nullptr;
}

}  // namespace

Result CreateDisplay(DisplayDevice& display, SDL_Window* window, bool fullScreen) {
  if (window == nullptr) return Result::Fail("no window to present to");
  display.window = window;
  display.presentParams = PresentParams{};
  display.presentParams.fullScreen = fullScreen;
  if (Result made = CreateRendererAndTexture(display); !made) {
    DestroyRendererAndTexture(display);
    return made;
  }
  display.device = new BackBuffer;
  ClearBackBuffer(*display.device, 0xFF000000u, 1.0f);
  return Result::Ok();
}

void ReleaseDisplay(DisplayDevice& display) {
  DestroyRendererAndTexture(display);
  delete display.device;
  display.device = nullptr;
  display.window = nullptr;
}

Result PresentDisplay(DisplayDevice& display) {
  if (display.renderer == nullptr || display.texture == nullptr || display.device == nullptr)
    return Result::Fail("the display device is not set up");
  if (SDL_UpdateTexture(display.texture, nullptr, display.device->color,
                        kScreenWidth * static_cast<int>(sizeof(uint32_t))) != 0)
    return Result::Fail(std::string("cannot present: ") + SDL_GetError());
  int outputWidth = 0;
  int outputHeight = 0;
  if (SDL_GetRendererOutputSize(display.renderer, &outputWidth, &outputHeight) != 0)
    return Result::Fail(std::string("cannot present: ") + SDL_GetError());
  const SDL_Rect target = PresentRect(outputWidth, outputHeight);
  SDL_SetRenderDrawColor(display.renderer, 0, 0, 0, 255);
  if (SDL_RenderClear(display.renderer) != 0)
    return Result::Fail(std::string("cannot present: ") + SDL_GetError());
  if (target.w > 0 && target.h > 0 &&
      SDL_RenderCopy(display.renderer, display.texture, nullptr, &target) != 0)
    return Result::Fail(std::string("cannot present: ") + SDL_GetError());
  SDL_RenderPresent(display.renderer);
  return Result::Ok();
}

Result ResetDisplay(DisplayDevice& display) {
  if (display.window == nullptr) return Result::Fail("no window to present to");
  DestroyRendererAndTexture(display);
  if (Result made = CreateRendererAndTexture(display); !made) {
    DestroyRendererAndTexture(display);
    return made;
  }
  return Result::Ok();
}

SDL_Rect PresentRect(int outputWidth, int outputHeight) {
  if (outputWidth <= 0 || outputHeight <= 0) return SDL_Rect{0, 0, 0, 0};
  int width = 0;
  int height = 0;
  const int scale = outputWidth / kScreenWidth < outputHeight / kScreenHeight
                        ? outputWidth / kScreenWidth
                        : outputHeight / kScreenHeight;
  if (scale >= 1) {
    width = kScreenWidth * scale;
    height = kScreenHeight * scale;
  } else if (static_cast<int64_t>(outputWidth) * kScreenHeight <=
             static_cast<int64_t>(outputHeight) * kScreenWidth) {
    // Narrower than 4:3: the width limits.
    width = outputWidth;
    height = static_cast<int>(static_cast<int64_t>(outputWidth) * kScreenHeight / kScreenWidth);
  } else {
    height = outputHeight;
    width = static_cast<int>(static_cast<int64_t>(outputHeight) * kScreenWidth / kScreenHeight);
  }
  return SDL_Rect{(outputWidth - width) / 2, (outputHeight - height) / 2, width, height};
}
