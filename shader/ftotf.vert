#version 150
// Full-target quad: the pass covers the whole render target; the fragments find their texel
// from gl_FragCoord.
in vec4 Position;

void main() { gl_Position = vec4(Position.xy, 0.0, 1.0); }
