#version 150
// The noise pass draws the sky cube: its top face is laid over the whole target, its bottom face
// is pushed beyond the far plane and its side faces collapse to lines, so every target texel is
// shaded exactly once.
in vec3 Position;

void main()
{
    vec3 corner = Position / abs(Position.y); // components +-1
    gl_Position = vec4(corner.x, corner.z, 1.0 - corner.y, 1.0);
}
