precision highp float;
precision highp int;

uniform sampler2D indexTexture;
uniform sampler2D @TABLE@;
uniform int frame;

// Frames a second at the export's delay, for the code that counts `frame`.
const float frames_per_second = 50.0;
// Frames after which every range is back where it started@LOOP_NOTE@.
const int loop_frames = 16;

// (0, 0) is the first pixel of index.png's first row; the picture tiles beyond 0..1.
in vec2 uv;
out vec4 fragColour;
