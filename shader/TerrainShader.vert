#version 150
// Terrain: displaced by the animated height field, lit by the key-light and environment targets.
uniform mat4 projectionMatrix;
uniform mat4 viewMatrix;
uniform sampler2DArray heightData;
in vec3 Position;
in vec2 TexCoord;
out vec2 uv;
out float height;

void main()
{
    uv = TexCoord;
    height = texture(heightData, vec3(TexCoord, 0.0)).r;
    vec3 p = vec3(Position.x, Position.y + height, Position.z);
    gl_Position = projectionMatrix * viewMatrix * vec4(p, 1.0);
}
