#version 150
// Debug view of a 2D texture: colour = colorMatrix * texel + colorBias, optionally times the
// alpha of a second texture (the sky's light as the terrain takes it, through the open share).
uniform sampler2D tex;
uniform sampler2D alphaOf;
uniform bool useAlphaOf;
uniform mat4 colorMatrix;
uniform vec4 colorBias;
in vec2 texCoord;
out vec4 color;

void main()
{
    vec4 texel = textureLod(tex, texCoord, 0.0);
    if (useAlphaOf)
        texel.rgb *= textureLod(alphaOf, texCoord, 0.0).a;
    color = vec4((colorMatrix * texel + colorBias).rgb, 1.0);
}
