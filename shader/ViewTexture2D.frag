#version 150
// Debug view of a 2D texture.
uniform sampler2D tex;
in vec2 texCoord;
out vec4 color;

void main() { color = vec4(texture(tex, texCoord).rgb, 1.0); }
