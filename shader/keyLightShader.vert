#version 150
// Full-target quad; everything the pass integrates is per texel (keyLightShader.frag).
in vec4 Position;

void main()
{
    gl_Position = vec4(Position.xy, 0.0, 1.0);
}
