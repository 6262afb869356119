#version 150
// Debug view of a 1D texture, stretched over the target's height.
uniform sampler1D tex;
in vec2 texCoord;
out vec4 color;

void main() { color = vec4(texture(tex, texCoord.x).rgb, 1.0); }
