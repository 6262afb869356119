#version 150
// Synthesis: pyramid level i (layer "level"; its mean height in red, its highest in green)
// brought back to the full 256 x 256 grid with bilinear filtering, clamped to the level's own
// corner of its layer. "scale" = s^-(i+2), so the level's side is floor(2 scale 256).
uniform sampler2DArray tex_Source;
uniform float scale;
uniform float level;
out vec4 synthesized;

void main()
{
    float side = float(textureSize(tex_Source, 0).x);
    float levelSide = floor(2.0 * scale * side + 0.001);
    vec2 p = clamp(gl_FragCoord.xy * (levelSide / side), vec2(0.5), vec2(levelSide - 0.5));
    vec2 h = texture(tex_Source, vec3(p / side, level)).rg; // mean, highest
    synthesized = vec4(h, h.r, 1.0);
}
