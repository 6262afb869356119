#version 150
// Debug view of one layer of a 2D array texture.
uniform sampler2DArray tex;
uniform float layer;
in vec2 texCoord;
out vec4 color;

void main() { color = vec4(texture(tex, vec3(texCoord, layer)).rgb, 1.0); }
