#version 150
// Terrain: the unitized grid (centred, extent 1, texture coordinates 0..1 along x and z) is laid
// on the terrain square [0, TERRAIN_SIZE]^2 and raised by height layer 0.
uniform mat4 projectionMatrix;
uniform mat4 viewMatrix;
uniform sampler2DArray heightData;
in vec3 Position;
in vec2 TexCoord;
out vec2 uv;
out vec3 worldPosition;

void main()
{
    uv = TexCoord;
    float h = textureLod(heightData, vec3(TexCoord, 0.0), 0.0).r;
    worldPosition = vec3((Position.x + 0.5) * TERRAIN_SIZE, Position.y * TERRAIN_SIZE + h * HEIGHT_SCALE,
                         (Position.z + 0.5) * TERRAIN_SIZE);
    gl_Position = projectionMatrix * viewMatrix * vec4(worldPosition, 1.0);
}
