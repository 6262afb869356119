#version 150
// Full-target quad: the pass covers the whole render target; the fragments find their texel
// from gl_FragCoord. Levels coarser than the key light reads are not drawn: the quad collapses
// to a point, and their layers keep what they held.
uniform float level; // 2 x the pyramid level
in vec4 Position;

void main()
{
    bool read = int(level + 0.5) <= 2 * KEY_HIGHEST_LEVEL;
    gl_Position = read ? vec4(Position.xy, 0.0, 1.0) : vec4(0.0, 0.0, 0.0, 1.0);
}
