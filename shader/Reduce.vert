#version 150
// Full-target quad: the pass covers the whole render target.
in vec4 Position;
out vec2 texCoord;

void main()
{
    texCoord = Position.xy * 0.5 + 0.5;
    gl_Position = vec4(Position.xy, 0.0, 1.0);
}
