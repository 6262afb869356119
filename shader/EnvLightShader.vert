#version 150
// Full-target quad: one fragment per terrain texel.
in vec4 Position;

void main()
{
    gl_Position = vec4(Position.xy, 0.0, 1.0);
}
