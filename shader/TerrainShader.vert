#version 150
// Terrain: the unitized grid (centred, extent 1, texture coordinates 0..1 along x and z) is laid
// on the terrain square [0, TERRAIN_SIZE]^2 and raised by height layer 0. The air between the
// eye and the ground changes slowly, so it is worked out here, per vertex: how much of the
// ground's light gets through, and what the air adds on the way, the sky's own radiance in that
// direction. So is the ground's broad variation; its material and light are per fragment.
uniform mat4 projectionMatrix;
uniform mat4 viewMatrix;
uniform sampler2D keyLightSampler;
uniform sampler2DArray heightData;
uniform samplerCube skySampler;
uniform sampler2D groundNoiseSampler;
in vec3 Position;
in vec2 TexCoord;
out vec2 uv;
out vec2 place;           // world x, z
out float height01;       // h of the height field, 0 ... 1
out vec2 patches;         // the ground's broad variation: its colour, and where materials meet
out vec3 inscatter;       // the light the air adds on the way to the eye
out float transmittance;  // the share of the ground's light that reaches the eye
flat out float keyMean;   // the key light's mean over the terrain: the top of its mipmaps

const float HAZE_DENSITY = 0.08; // per world unit
// The field's far edge dissolves into the haze so that it never stands as a line against the sky.
const float EDGE_FADE = 0.45;   // world units from the border

void main()
{
    uv = TexCoord;
    float h = textureLod(heightData, vec3(TexCoord, 0.0), 0.0).r * HEIGHT_SCALE;
    vec3 world = vec3((Position.x + 0.5) * TERRAIN_SIZE, Position.y * TERRAIN_SIZE + h,
                      (Position.z + 0.5) * TERRAIN_SIZE);
    place = world.xz;
    height01 = h / HEIGHT_SCALE;
    vec4 broad = textureLod(groundNoiseSampler, place * 0.35, 0.0);
    patches = vec2(broad.r * 0.6 + broad.g * 0.4, broad.b * 0.6 + broad.a * 0.4);

    vec3 eye = -transpose(mat3(viewMatrix)) * viewMatrix[3].xyz;
    vec3 toGround = world - eye;
    float dist = length(toGround);
    vec2 border = min(world.xz, TERRAIN_SIZE - world.xz);
    float edge = mix(1.0, smoothstep(0.0, EDGE_FADE, min(border.x, border.y)),
                     smoothstep(2.5, 4.5, dist));
    transmittance = exp(-HAZE_DENSITY * dist) * edge;
    // The air adds what the sky shows in that direction: toward the horizon its haze, so the
    // distance fades into exactly what lies behind the field's far edge.
    inscatter = (1.0 - transmittance) * textureLod(skySampler, toGround, 0.0).rgb;

    keyMean = max(textureLod(keyLightSampler, vec2(0.5), 16.0).r, 1e-4);

    gl_Position = projectionMatrix * viewMatrix * vec4(world, 1.0);
}
