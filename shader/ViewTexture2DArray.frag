#version 150
// Debug view of one layer of a 2D array texture: colour = colorMatrix * texel + colorBias.
uniform sampler2DArray tex;
uniform float layer;
uniform mat4 colorMatrix;
uniform vec4 colorBias;
in vec2 texCoord;
out vec4 color;

void main()
{
    vec4 texel = textureLod(tex, vec3(texCoord, layer), 0.0);
    color = vec4((colorMatrix * texel + colorBias).rgb, 1.0);
}
