  ivec2 size = textureSize(indexTexture, 0);
  ivec2 texel = ivec2(floor(fract(uv) * vec2(size)));
  texel = min(texel, size - 1);
  int index = int(floor(texelFetch(indexTexture, texel, 0).r * 15.0 + 0.5));
  // As unsigned, so a negative frame is still reduced by defined arithmetic.
  int @FRAME@ = int(uint(frame) % uint(loop_frames));
